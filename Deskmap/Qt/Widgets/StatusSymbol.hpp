#pragma once

#include <QWidget>

namespace deskmap::qt {

// A small round state mark: a filled green circle with a check for "done",
// an empty circle in the secondary colour for "not yet".
class StatusSymbol : public QWidget {
public:
    explicit StatusSymbol(QWidget* parent = nullptr);

    void setDone(bool done);
    bool isDone() const { return done_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool done_ = false;
};

} // namespace deskmap::qt
