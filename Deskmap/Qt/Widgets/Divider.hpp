#pragma once

#include <QWidget>

namespace deskmap::qt {

// A hairline between the parts of a window, in the current palette.
class Divider : public QWidget {
public:
    explicit Divider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace deskmap::qt
