#pragma once

#include "Deskmap/ViewModel/ViewModelState.hpp"
#include "DeskmapAppSupport/Authorization/SummaryAuthorizationGate.hpp"
#include "DeskmapPlatform/Runtime/Task.hpp"

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace deskmap {

class RefreshCoordinator;

// What the view model's parts share: the published state and its observers,
// the tasks the shutdown waits for, and the summary gate. Main executor only.
class ViewModelContext {
public:
    using Observer = std::function<void(ViewModelProperty)>;

    ViewModelContext(asio::any_io_executor main, asio::any_io_executor worker);
    // Cancels what still runs, without waiting.
    ~ViewModelContext();
    ViewModelContext(const ViewModelContext&) = delete;
    ViewModelContext& operator=(const ViewModelContext&) = delete;

    // Tasks hold `owner` while they run, so the parts they belong to outlive
    // them.
    void setOwner(std::weak_ptr<const void> owner) { owner_ = std::move(owner); }
    void setCoordinator(std::shared_ptr<RefreshCoordinator> coordinator) {
        coordinator_ = std::move(coordinator);
    }

    const ViewModelState& state() const { return state_; }
    // Sets a published value, telling the observers only when it changed.
    template <class T> void publish(T ViewModelState::*field, T value, ViewModelProperty property) {
        auto& slot = state_.*field;
        if (slot == value) {
            return;
        }
        slot = std::move(value);
        notify(property);
    }
    void notify(ViewModelProperty property);
    void setSettingsMessage(std::optional<std::string> message);
    // A setting that could not be written: it lasts until Deskmap quits.
    void reportUnsavedSetting(const std::string& reason);

    std::size_t addObserver(Observer observer);
    void removeObserver(std::size_t id);

    // Runs `work` on the main executor as a task the shutdown waits for.
    runtime::Task<void> startTask(asio::awaitable<void> work);
    bool isShutDown() const { return shutDown_; }
    // Whether an answer for `provider` may still be shown.
    bool isCurrent(SummaryProvider provider) const {
        return !shutDown_ && state_.selectedSummaryProvider == provider;
    }
    // Stops summaries and every task; the tasks end by `endTasks`.
    void beginShutdown();
    asio::awaitable<void> endTasks();

    SummaryAuthorizationGate& authorization() { return *authorization_; }
    const std::shared_ptr<SummaryAuthorizationGate>& gate() const { return authorization_; }
    bool providerIsReady() const;
    void updateAuthorizationForCurrentState();
    void notifyConfigurationChanged();

private:
    asio::any_io_executor main_;
    ViewModelState state_;
    std::shared_ptr<SummaryAuthorizationGate> authorization_;
    std::shared_ptr<RefreshCoordinator> coordinator_;
    std::weak_ptr<const void> owner_;
    std::vector<runtime::Task<void>> tasks_;
    std::map<std::size_t, Observer> observers_;
    std::size_t nextObserverID_ = 1;
    bool shutDown_ = false;
};

// Runs a settings write; the store's reason when it failed (the settings
// object keeps the choice meanwhile).
std::optional<std::string> storeSetting(const std::function<void()>& write);

} // namespace deskmap
