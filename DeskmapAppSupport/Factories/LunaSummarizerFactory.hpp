#pragma once

#include "DeskmapAppSupport/Factories/SummarizerBuilding.hpp"
#include "DeskmapPlatform/Http/UrlSession.hpp"

namespace deskmap {

// Always the OpenAI Responses route, at the endpoint the environment names.
class LunaSummarizerFactory final : public SummarizerBuilding {
public:
    explicit LunaSummarizerFactory(std::shared_ptr<platform::UrlSession> session)
        : session_(std::move(session)) {}

    // Throws DeskmapError::missingCredential for a blank token.
    std::shared_ptr<SpaceSummarizing> makeSummarizer(const std::string& token) const override;

private:
    std::shared_ptr<platform::UrlSession> session_;
};

} // namespace deskmap
