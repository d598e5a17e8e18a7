#pragma once

#include "DeskmapAppSupport/Providers/SummaryProvider.hpp"
#include "DeskmapCore/InstalledClients/InstalledClient.hpp"

namespace deskmap {

class SummaryProviderSettings {
public:
    virtual ~SummaryProviderSettings() = default;
    virtual SummaryProvider selectedProvider() const = 0;
    virtual void setSelectedProvider(SummaryProvider provider) = 0;

protected:
    SummaryProviderSettings() = default;
    SummaryProviderSettings(const SummaryProviderSettings&) = default;
    SummaryProviderSettings& operator=(const SummaryProviderSettings&) = default;
};

class InstalledClientSettings {
public:
    virtual ~InstalledClientSettings() = default;
    virtual InstalledClient selectedInstalledClient() const = 0;
    virtual void setSelectedInstalledClient(InstalledClient client) = 0;

protected:
    InstalledClientSettings() = default;
    InstalledClientSettings(const InstalledClientSettings&) = default;
    InstalledClientSettings& operator=(const InstalledClientSettings&) = default;
};

class FirstTimeSetupSettings {
public:
    virtual ~FirstTimeSetupSettings() = default;
    virtual bool isCompleted() const = 0;
    virtual void setCompleted() = 0;

protected:
    FirstTimeSetupSettings() = default;
    FirstTimeSetupSettings(const FirstTimeSetupSettings&) = default;
    FirstTimeSetupSettings& operator=(const FirstTimeSetupSettings&) = default;
};

} // namespace deskmap
