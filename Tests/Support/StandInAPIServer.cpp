#include "Support/StandInAPIServer.hpp"

#include <nlohmann/json.hpp>

#include <chrono>
#include <httplib.h>
#include <stdexcept>

namespace deskmap::test {

std::string StandInAPIServer::ReceivedRequest::header(const std::string& name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? std::string() : found->second;
}

StandInAPIServer::StandInAPIServer() : server_(std::make_unique<httplib::Server>()) {
    const auto answer = [this](const httplib::Request& request, httplib::Response& response) {
        Reply reply{500, R"({"error":"no reply was scripted"})", false};
        {
            std::unique_lock lock(mutex_);
            received_.push_back(ReceivedRequest{request.method, request.path,
                                                std::multimap<std::string, std::string>(
                                                    request.headers.begin(), request.headers.end()),
                                                request.body});
            if (!replies_.empty()) {
                reply = std::move(replies_.front());
                replies_.pop_front();
            }
            changed_.notify_all();
            if (reply.hang) {
                changed_.wait(lock, [this] { return stopping_; });
                return;
            }
        }
        response.status = reply.status;
        response.set_content(reply.body, "application/json");
    };
    // A connection kept open would hold the server's end for its idle
    // time (seconds) after the test is done with it.
    server_->set_keep_alive_max_count(1);
    server_->Post(".*", answer);
    server_->Get(".*", answer); // a local server's model list
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        throw std::runtime_error("the stand-in API server could not bind a port");
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    for (int attempt = 0; attempt < 500 && !server_->is_running(); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

StandInAPIServer::~StandInAPIServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    server_->stop();
    thread_.join();
}

std::string StandInAPIServer::baseURL() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void StandInAPIServer::enqueue(Reply reply) {
    std::lock_guard lock(mutex_);
    replies_.push_back(std::move(reply));
}

std::vector<StandInAPIServer::ReceivedRequest> StandInAPIServer::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

bool StandInAPIServer::waitForRequests(std::size_t count) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5),
                             [&] { return received_.size() >= count; });
}

std::string responsesBody(const std::string& outputText) {
    return nlohmann::json{{"status", "completed"}, {"output_text", outputText}}.dump();
}

std::string chatCompletionsBody(const std::string& content, const std::string& finishReason) {
    return nlohmann::json{{"choices",
                           {{{"finish_reason", finishReason},
                             {"message", {{"role", "assistant"}, {"content", content}}}}}}}
        .dump();
}

namespace {

std::string answer(const std::vector<long long>& indices, const std::string& label,
                   const std::string& summary) {
    auto spaces = nlohmann::json::array();
    for (const auto index : indices) {
        spaces.push_back({{"index", index},
                          {"label", label + " " + std::to_string(index)},
                          {"summary", summary}});
    }
    return nlohmann::json{{"spaces", spaces}}.dump();
}

} // namespace

std::string latinAnswer(const std::vector<long long>& indices) {
    return answer(indices, "Work", "Reviewing the release plan");
}

std::string cyrillicAnswer(const std::vector<long long>& indices) {
    return answer(indices, "Работа", "Обзор плана выпуска");
}

} // namespace deskmap::test
