#pragma once

#include "Deskmap/Qt/Runtime/QtExecutor.hpp"
#include "ViewModel/ViewModelTestSupport.hpp"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <asio/any_io_executor.hpp>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace deskmap::test {

// The Qt event loop of the test's thread as the main loop.
struct QtMainLoop {
    asio::any_io_executor executor() { return context.get_executor(); }
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    qt::QtEventLoopContext context;
};

// A view model whose main executor is the Qt event loop, as in the app.
using QtViewModelTest = BasicViewModelTest<QtMainLoop>;

// The one widget of type T under `root` that a user could see with this
// accessible name; null when there is none.
template <class T = QWidget> T* visible(QWidget* root, const QString& name) {
    T* found = nullptr;
    for (auto* widget : root->findChildren<T*>()) {
        if (widget->accessibleName() == name && widget->isVisibleTo(root)) {
            EXPECT_EQ(found, nullptr) << "two visible widgets are named " << name.toStdString();
            found = widget;
        }
    }
    return found;
}

inline bool shows(QWidget* root, const QString& name) {
    return visible(root, name) != nullptr;
}

// Whether a label showing exactly `text` is visible.
inline bool showsText(QWidget* root, const QString& text) {
    for (auto* label : root->findChildren<QLabel*>()) {
        if (label->text() == text && label->isVisibleTo(root)) {
            return true;
        }
    }
    return false;
}

// The visible group boxes' titles, top to bottom.
inline QStringList sectionTitles(QWidget* root) {
    QStringList titles;
    for (auto* box : root->findChildren<QGroupBox*>()) {
        if (box->isVisibleTo(root)) {
            titles << box->title();
        }
    }
    return titles;
}

inline void click(QWidget* root, const QString& name) {
    auto* button = visible<QAbstractButton>(root, name);
    ASSERT_NE(button, nullptr) << "no button " << name.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

inline QString labelText(QWidget* root, const QString& name) {
    auto* label = visible<QLabel>(root, name);
    return label ? label->text() : QStringLiteral("<absent>");
}

enum class Appearance { light, dark };
// The desktop's palette in a light or a dark theme.
void applyAppearance(Appearance appearance);
// Writes `window` as <build>/screenshots/<name>-light.png (or -dark).
void screenshot(QWidget* window, const std::string& name, Appearance appearance);
// Both appearances, the window laid out again for each.
void screenshots(QWidget* window, const std::string& name);

} // namespace deskmap::test
