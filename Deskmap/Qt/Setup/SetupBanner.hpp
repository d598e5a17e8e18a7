#pragma once

#include <QWidget>

class QLabel;
class QSvgRenderer;

namespace deskmap::qt {

// The wizard's header: the banner image filling the width, darkened towards
// the bottom, with the title and the step line over it in white. The image
// itself is decoration and not offered to assistive technology.
class SetupBanner : public QWidget {
public:
    explicit SetupBanner(QWidget* parent = nullptr);
    void setStepLine(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSvgRenderer* image_;
    QLabel* stepLine_;
};

} // namespace deskmap::qt
