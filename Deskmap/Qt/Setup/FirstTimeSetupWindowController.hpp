#pragma once

#include "Deskmap/ViewModel/DeskmapViewModel.hpp"

#include <QObject>
#include <QPointer>
#include <memory>

namespace deskmap::qt {

class FirstTimeSetupView;

// Decides when the setup wizard is shown and owns its one window. The
// application keeps one controller; the popover's status line asks it too.
class FirstTimeSetupWindowController : public QObject {
public:
    explicit FirstTimeSetupWindowController(QObject* parent = nullptr);
    ~FirstTimeSetupWindowController() override;

    // Once the event loop runs: shows the wizard unless setup was completed.
    // Does nothing when the controller or the view model is gone by then.
    void showWhenApplicationIsReadyIfNeeded(const std::shared_ptr<DeskmapViewModel>& model);
    // Shows the wizard now, or raises the one already open.
    void show(const std::shared_ptr<DeskmapViewModel>& model);

    // The open wizard, if any.
    FirstTimeSetupView* window() const;

private:
    void waitThenShow(std::weak_ptr<DeskmapViewModel> model);
    void close();

    QPointer<FirstTimeSetupView> window_;
};

} // namespace deskmap::qt
