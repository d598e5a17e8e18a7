#pragma once

#include "DeskmapAppSupport/Providers/ProviderSettings.hpp"
#include "DeskmapPlatform/UserDefaults/UserDefaults.hpp"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

// The user's choices over the defaults store. A missing, unknown or
// unreadable stored value reads as the first case and is left as it is.
// A choice that cannot be stored (the setter throws the store's
// UserDefaultsError) still holds for this object's lifetime, so the process
// keeps acting on what the user chose. Choices are made on one thread and
// read on others (a summary pass reads the provider on the worker).
namespace deskmap {

class UserDefaultsSummaryProviderSettings final : public SummaryProviderSettings {
public:
    static constexpr const char* selectedProviderKey = "summaryProvider";

    explicit UserDefaultsSummaryProviderSettings(std::shared_ptr<platform::UserDefaults> defaults)
        : defaults_(std::move(defaults)) {}

    SummaryProvider selectedProvider() const override;
    void setSelectedProvider(SummaryProvider provider) override;

private:
    std::shared_ptr<platform::UserDefaults> defaults_;
    mutable std::mutex mutex_;
    std::optional<SummaryProvider> unsaved_;
};

class UserDefaultsInstalledClientSettings final : public InstalledClientSettings {
public:
    static constexpr const char* selectedClientKey = "installedSummaryClient";

    explicit UserDefaultsInstalledClientSettings(std::shared_ptr<platform::UserDefaults> defaults)
        : defaults_(std::move(defaults)) {}

    InstalledClient selectedInstalledClient() const override;
    void setSelectedInstalledClient(InstalledClient client) override;

private:
    std::shared_ptr<platform::UserDefaults> defaults_;
    mutable std::mutex mutex_;
    std::optional<InstalledClient> unsaved_;
};

class UserDefaultsFirstTimeSetupSettings final : public FirstTimeSetupSettings {
public:
    static constexpr const char* completedKey = "firstTimeSetupCompleted";

    explicit UserDefaultsFirstTimeSetupSettings(std::shared_ptr<platform::UserDefaults> defaults)
        : defaults_(std::move(defaults)) {}

    bool isCompleted() const override;
    // Only ever stores true.
    void setCompleted() override;

private:
    std::shared_ptr<platform::UserDefaults> defaults_;
    std::atomic<bool> unsaved_ = false;
};

} // namespace deskmap
