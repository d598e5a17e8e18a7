#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace deskmap::test {

// A real HTTP server on 127.0.0.1 that answers like a summary API from a
// script: each request takes the next scripted reply, and every request is
// recorded. Stops (also releasing hung replies) when destroyed.
class StandInAPIServer {
public:
    struct Reply {
        int status = 200;
        std::string body;
        bool hang = false; // never answer (until the server stops)
    };

    struct ReceivedRequest {
        std::string method;
        std::string path;
        std::multimap<std::string, std::string> headers;
        std::string body;

        std::string header(const std::string& name) const;
    };

    StandInAPIServer();
    ~StandInAPIServer();
    StandInAPIServer(const StandInAPIServer&) = delete;
    StandInAPIServer& operator=(const StandInAPIServer&) = delete;

    // "http://127.0.0.1:PORT"
    std::string baseURL() const;

    void enqueue(Reply reply);
    void enqueueJSON(const std::string& body) { enqueue(Reply{200, body, false}); }

    std::vector<ReceivedRequest> received() const;
    // Waits up to five seconds for the n-th request to arrive.
    bool waitForRequests(std::size_t count) const;

private:
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<Reply> replies_;
    std::vector<ReceivedRequest> received_;
    bool stopping_ = false;
};

// Reply bodies in the shape of each API.
std::string responsesBody(const std::string& outputText);
std::string chatCompletionsBody(const std::string& content,
                                const std::string& finishReason = "stop");

// A model answer naming each index with a Latin label and summary.
std::string latinAnswer(const std::vector<long long>& indices);
// The same in Cyrillic writing.
std::string cyrillicAnswer(const std::vector<long long>& indices);

} // namespace deskmap::test
