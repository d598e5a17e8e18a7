#pragma once

#include "DeskmapAppSupport/Providers/SummaryProvider.hpp"
#include "DeskmapPlatform/UserDefaults/UserDefaults.hpp"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace deskmap {

// The model each HTTP provider is asked for: the user's choice, else the
// provider's default. The installed client's model is the client's own.
class SummaryModelSettings {
public:
    virtual ~SummaryModelSettings() = default;
    virtual std::string model(SummaryProvider provider) const = 0;
    // A blank name goes back to the default; one that is not usable is
    // ignored. Throws the store's
    // UserDefaultsError; the choice holds for this object's lifetime all the
    // same.
    virtual void setModel(SummaryProvider provider, const std::string& name) = 0;

    // Whether a model name may go into a request: one line of at most 200
    // characters, no control or line-separating characters, no spaces at
    // either end.
    static bool isUsableName(std::string_view name);

    // The key in the defaults file; none for the installed client.
    static std::optional<std::string> key(SummaryProvider provider);

    // Where the local server is, chosen with its model: the stored base URL,
    // nothing for the default. Setting a blank one goes back to the default;
    // throws the store's UserDefaultsError, the choice holding all the same.
    virtual std::optional<std::string> localServerAddress() const { return std::nullopt; }
    virtual void setLocalServerAddress(const std::string&) {}
    static constexpr const char* localServerAddressKey = "localBaseURL";
};

class UserDefaultsSummaryModelSettings final : public SummaryModelSettings {
public:
    explicit UserDefaultsSummaryModelSettings(std::shared_ptr<platform::UserDefaults> defaults)
        : defaults_(std::move(defaults)) {}

    std::string model(SummaryProvider provider) const override;
    void setModel(SummaryProvider provider, const std::string& name) override;
    std::optional<std::string> localServerAddress() const override;
    void setLocalServerAddress(const std::string& address) override;

private:
    std::shared_ptr<platform::UserDefaults> defaults_;
    mutable std::mutex mutex_;
    std::map<SummaryProvider, std::string> unsaved_;
    std::optional<std::string> unsavedAddress_;
};

} // namespace deskmap
