#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>

namespace {

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform cannot raise windows and says so every time.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message == QLatin1String("This plugin does not support raise()")) {
        return;
    }
    defaultHandler(type, context, message);
}

} // namespace

// Widgets need an application; the offscreen platform needs no display, and
// one style and font make the screenshots the same on every machine.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    defaultHandler = qInstallMessageHandler(quietHandler);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication application(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
