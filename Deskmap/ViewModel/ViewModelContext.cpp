#include "Deskmap/ViewModel/ViewModelContext.hpp"

#include "DeskmapAppSupport/RefreshCoordinator/RefreshCoordinator.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

namespace deskmap {

namespace {

asio::awaitable<void> holding(std::shared_ptr<const void>, asio::awaitable<void> work) {
    co_await std::move(work);
}

} // namespace

ViewModelContext::ViewModelContext(asio::any_io_executor main, asio::any_io_executor worker)
    : main_(std::move(main)),
      authorization_(std::make_shared<SummaryAuthorizationGate>(std::move(worker), false)) {}

ViewModelContext::~ViewModelContext() {
    authorization_->revoke();
    for (const auto& task : tasks_) {
        task.cancel();
    }
}

void ViewModelContext::notify(ViewModelProperty property) {
    // A copy: an observer may remove itself or others.
    const auto observers = observers_;
    for (const auto& [id, observer] : observers) {
        if (observers_.contains(id)) {
            observer(property);
        }
    }
}

void ViewModelContext::setSettingsMessage(std::optional<std::string> message) {
    publish(&ViewModelState::settingsMessage, std::move(message),
            ViewModelProperty::settingsMessage);
}

void ViewModelContext::reportUnsavedSetting(const std::string& reason) {
    setSettingsMessage(texts::settingNotSaved + reason);
}

std::size_t ViewModelContext::addObserver(Observer observer) {
    const auto id = nextObserverID_++;
    observers_.emplace(id, std::move(observer));
    return id;
}

void ViewModelContext::removeObserver(std::size_t id) {
    observers_.erase(id);
}

runtime::Task<void> ViewModelContext::startTask(asio::awaitable<void> work) {
    std::erase_if(tasks_, [](const auto& task) { return task.isFinished(); });
    auto task = runtime::Task<void>::spawn(main_, holding(owner_.lock(), std::move(work)));
    tasks_.push_back(task);
    return task;
}

void ViewModelContext::beginShutdown() {
    shutDown_ = true;
    authorization_->revoke(); // stops a summary run, and a client it started
    for (const auto& task : tasks_) {
        task.cancel();
    }
}

asio::awaitable<void> ViewModelContext::endTasks() {
    beginShutdown();
    const auto pending = tasks_;
    for (const auto& task : pending) {
        try {
            auto ending = task.value();
            co_await std::move(ending);
        } catch (...) {
            // Cancelled, as asked.
        }
    }
    tasks_.clear();
}

bool ViewModelContext::providerIsReady() const {
    if (state_.selectedSummaryProvider == SummaryProvider::installedClient) {
        return state_.installedClientVerification.permitsAuthorization();
    }
    if (state_.selectedSummaryProvider == SummaryProvider::local) {
        return state_.localModelChosen; // a key is optional
    }
    return state_.savedCredentialPresence == SavedCredentialPresence::saved;
}

void ViewModelContext::updateAuthorizationForCurrentState() {
    if (providerIsReady() && state_.windowTitleAccessGranted) {
        authorization_->authorize();
    } else {
        authorization_->revoke();
    }
}

void ViewModelContext::notifyConfigurationChanged() {
    if (shutDown_ || !coordinator_) {
        return;
    }
    startTask([](std::shared_ptr<RefreshCoordinator> coordinator) -> asio::awaitable<void> {
        auto changing = coordinator->summaryConfigurationChanged();
        co_await std::move(changing);
    }(coordinator_));
}

std::optional<std::string> storeSetting(const std::function<void()>& write) {
    try {
        write();
    } catch (const std::exception& error) {
        return error.what();
    }
    return std::nullopt;
}

} // namespace deskmap
