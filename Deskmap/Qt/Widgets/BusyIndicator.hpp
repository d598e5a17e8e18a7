#pragma once

#include <QTimer>
#include <QWidget>

namespace deskmap::qt {

// A small spinning arc for work in progress; it animates only while shown.
class BusyIndicator : public QWidget {
public:
    explicit BusyIndicator(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer timer_;
    int angle_ = 0;
};

} // namespace deskmap::qt
