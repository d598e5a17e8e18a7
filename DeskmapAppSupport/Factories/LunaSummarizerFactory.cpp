#include "LunaSummarizerFactory.hpp"

#include "DeskmapCore/API/Endpoints.hpp"
#include "DeskmapCore/API/LunaClient.hpp"

namespace deskmap {

std::shared_ptr<SpaceSummarizing>
LunaSummarizerFactory::makeSummarizer(const std::string& token) const {
    return std::make_shared<LunaClient>(token, Endpoints::responsesEndpointFromEnvironment(),
                                        session_);
}

} // namespace deskmap
