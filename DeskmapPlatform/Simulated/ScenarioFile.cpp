#include "DeskmapPlatform/Simulated/ScenarioFile.hpp"

#include "DeskmapPlatform/Simulated/ScenarioError.hpp"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace deskmap::platform {

namespace {

// nlohmann prefixes its messages with "[json.exception.parse_error.101] ";
// the reader only needs what follows.
std::string withoutExceptionTag(const std::string& message) {
    if (message.starts_with("[json.exception.")) {
        if (const auto end = message.find("] "); end != std::string::npos) {
            return message.substr(end + 2);
        }
    }
    return message;
}

} // namespace

nlohmann::json parseScenario(std::string_view text, std::string_view origin) {
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& error) {
        // Also a number beyond a double's range (out_of_range.406).
        throw ScenarioError(std::string(origin) +
                            " is not valid JSON: " + withoutExceptionTag(error.what()));
    }
    if (!document.is_object()) {
        throw ScenarioError(std::string(origin) + " is not a JSON object");
    }
    return document;
}

nlohmann::json loadScenarioFile(const std::filesystem::path& path) {
    const auto origin = "scenario file " + path.string();
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        throw ScenarioError(origin + " does not exist");
    }
    if (std::filesystem::is_directory(path, error)) {
        throw ScenarioError(origin + " is a directory, not a file");
    }
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        throw ScenarioError(origin + " cannot be read: " + std::strerror(errno));
    }
    std::ostringstream contents;
    contents << stream.rdbuf();
    if (stream.bad()) {
        throw ScenarioError(origin + " cannot be read");
    }
    return parseScenario(contents.str(), origin);
}

} // namespace deskmap::platform
