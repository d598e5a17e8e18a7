#include "DeskmapPlatform/DesktopSelection.hpp"
#include "DeskmapPlatform/I3Ipc/I3IpcConnection.hpp"
#include "DeskmapPlatform/I3Ipc/I3IpcSocket.hpp"
#include "DeskmapPlatform/I3Ipc/I3IpcWindowServer.hpp"
#include "Support/ScopedFiles.hpp"
#include "Support/Thrown.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace deskmap::platform::I3Ipc {
namespace {

using namespace std::chrono_literals;

// A window manager's socket whose every accepted connection is handed to
// `serve`, one at a time, on a thread of its own.
class FakePeer {
public:
    using Serve = std::function<void(int socket)>;

    explicit FakePeer(Serve serve) : serve_(std::move(serve)) {
        path_ = (std::filesystem::temp_directory_path() /
                 ("deskmap-ipc-" + std::to_string(::getpid()) + "-" + std::to_string(++count_)))
                    .string();
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path_.c_str());
        ::unlink(path_.c_str());
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 8) != 0) {
            throw std::runtime_error("cannot listen");
        }
        thread_ = std::thread([this] {
            for (;;) {
                const int client = ::accept(listener_, nullptr, nullptr);
                if (client < 0) {
                    return;
                }
                std::lock_guard lock(mutex_);
                connections_.emplace_back([this, client] {
                    serve_(client);
                    ::close(client);
                });
            }
        });
    }
    ~FakePeer() {
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
        for (auto& connection : connections_) {
            connection.join();
        }
        ::unlink(path_.c_str());
    }
    const std::string& path() const { return path_; }

    // Reads one request from `socket`: its type, or -1 when it closed.
    static int readRequest(int socket) {
        char header[headerSize];
        if (::recv(socket, header, sizeof header, MSG_WAITALL) != sizeof header) {
            return -1;
        }
        const auto decoded = decodeHeader(std::string_view(header, sizeof header));
        std::string payload(decoded->length, '\0');
        if (decoded->length > 0) {
            ::recv(socket, payload.data(), payload.size(), MSG_WAITALL);
        }
        return static_cast<int>(decoded->type);
    }
    // False once the other end is gone.
    static bool reply(int socket, std::uint32_t type, const std::string& payload, int times = 1) {
        std::string one(magic);
        const auto length = static_cast<std::uint32_t>(payload.size());
        one.append(reinterpret_cast<const char*>(&length), 4);
        one.append(reinterpret_cast<const char*>(&type), 4);
        one += payload;
        std::string bytes;
        for (int time = 0; time < times; ++time) {
            bytes += one;
        }
        return ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL) > 0;
    }

private:
    static inline int count_ = 0;
    Serve serve_;
    std::string path_;
    int listener_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::thread> connections_; // one per accepted connection
};

Connection::Limits quick() {
    Connection::Limits limits;
    // Long enough for a loaded machine's peer to answer in time.
    limits.timeout = 1000ms;
    limits.maximumPayload = 1 << 20;
    return limits;
}

std::string failure(const std::function<void()>& work) {
    return test::messageOf<WindowServerError>(work);
}

TEST(I3IpcConnection, AllRequestsGoOutBeforeAnyReplyIsAwaited) {
    FakePeer peer([](int socket) {
        // Answers only once both requests are in, with an event between.
        const int first = FakePeer::readRequest(socket);
        const int second = FakePeer::readRequest(socket);
        FakePeer::reply(socket, workspaceEvent, R"({"change": "focus"})");
        FakePeer::reply(socket, static_cast<std::uint32_t>(first), "[1]");
        FakePeer::reply(socket, static_cast<std::uint32_t>(second), "[2]");
    });
    Connection connection(peer.path(), quick());
    EXPECT_EQ(
        connection.exchange({{MessageType::getOutputs, {}}, {MessageType::getWorkspaces, {}}}),
        (std::vector<std::string>{"[1]", "[2]"}));
}

TEST(I3IpcConnection, EveryWayOfFailingIsASentenceNotAHang) {
    const auto failing = [](FakePeer::Serve serve) {
        FakePeer peer(std::move(serve));
        return failure([&] {
            Connection connection(peer.path(), quick());
            (void)connection.exchange({{MessageType::getTree, {}}});
        });
    };
    EXPECT_EQ(failing([](int socket) { FakePeer::readRequest(socket); }),
              "The window manager closed its IPC connection.");
    EXPECT_EQ(failing([](int socket) {
                  FakePeer::readRequest(socket);
                  std::this_thread::sleep_for(1500ms);
              }),
              "The window manager did not answer within 1 second.");
    EXPECT_EQ(failing([](int socket) {
                  FakePeer::readRequest(socket);
                  ::send(socket, "HTTP/1.1 400 Bad Request\r\n", 26, MSG_NOSIGNAL);
              }),
              "The window manager's IPC socket does not speak the i3 IPC protocol.");
    EXPECT_EQ(failing([](int socket) {
                  FakePeer::readRequest(socket);
                  FakePeer::reply(socket, 4, std::string(2 << 20, ' '));
              }),
              "The window manager sent a message larger than 1 MB.");
    EXPECT_EQ(failing([](int socket) {
                  FakePeer::readRequest(socket);
                  FakePeer::reply(socket, 1, "[]");
              }),
              "The window manager answered a different request than the one asked.");
    // Events, as fast as they go, and never the reply: the reply's own
    // deadline still holds.
    const auto flooded = std::chrono::steady_clock::now();
    EXPECT_EQ(failing([](int socket) {
                  FakePeer::readRequest(socket);
                  const auto until = std::chrono::steady_clock::now() + 10s;
                  while (std::chrono::steady_clock::now() < until &&
                         FakePeer::reply(socket, workspaceEvent, "{}", 1000)) {
                  }
              }),
              "The window manager did not answer within 1 second.");
    EXPECT_LT(std::chrono::steady_clock::now() - flooded, 5s);

    // A socket held by a process of another user is nobody to trust.
    {
        FakePeer peer([](int socket) { FakePeer::readRequest(socket); });
        auto limits = quick();
        limits.peerUser = ::getuid() + 1;
        EXPECT_EQ(failure([&] { Connection connection(peer.path(), limits); }),
                  "The window manager's IPC socket " + peer.path() +
                      " belongs to a process of another user.");
    }

    const auto missing =
        (std::filesystem::temp_directory_path() / "deskmap-no-such-socket").string();
    EXPECT_EQ(failure([&] { Connection connection(missing, quick()); }),
              "Could not connect to the window manager at " + missing +
                  ": No such file or directory.");
}

// Answers requests as a window manager with one output and one workspace
// would; a subscription is counted, confirmed, and then has `subscribed`
// run with its number.
void serveLikeAWindowManager(int socket, std::atomic<int>& subscriptions,
                             const std::function<void(int, int)>& subscribed) {
    for (;;) {
        const int type = FakePeer::readRequest(socket);
        if (type < 0) {
            return;
        }
        if (type == 2) {
            const int number = ++subscriptions;
            FakePeer::reply(socket, 2, R"({"success": true})");
            subscribed(socket, number);
            return;
        }
        FakePeer::reply(socket, static_cast<std::uint32_t>(type),
                        type == 3   ? R"([{"name": "DP-1", "active": true,
                                       "rect": {"x": 0, "y": 0, "width": 9, "height": 9}}])"
                        : type == 1 ? R"([{"id": 5, "name": "1", "num": 1, "output": "DP-1",
                                       "visible": true, "focused": true}])"
                                    : R"({"nodes": []})");
    }
}

TEST(I3IpcWindowServer, StoppingTheWatchNeverWaitsForAWedgedWindowManager) {
    std::atomic<int> asked = 0;
    FakePeer peer([&](int socket) {
        FakePeer::readRequest(socket); // the subscription, never answered
        ++asked;
        FakePeer::readRequest(socket); // until the watch hangs up
    });
    I3IpcWindowServer::Options options;
    options.locateSocket = [&] { return peer.path(); };
    options.limits.timeout = 30s;
    I3IpcWindowServer server(std::move(options));
    server.setActiveSpaceObserver([] {});
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (asked == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(asked, 1);
    const auto stopping = std::chrono::steady_clock::now();
    server.setActiveSpaceObserver({});
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 2s);
}

TEST(I3IpcWindowServer, AWatchDroppedRightAfterItsSubscriptionWaitsBeforeTryingAgain) {
    std::atomic<int> subscriptions = 0;
    FakePeer peer(
        [&](int socket) { serveLikeAWindowManager(socket, subscriptions, [](int, int) {}); });
    I3IpcWindowServer::Options options;
    options.locateSocket = [&] { return peer.path(); };
    options.limits = quick();
    options.retryDelay = 100ms;
    I3IpcWindowServer server(std::move(options));
    const auto started = std::chrono::steady_clock::now();
    server.setActiveSpaceObserver([] {});
    const auto deadline = started + 10s;
    while (subscriptions < 4 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_GE(subscriptions, 4);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 300ms)
        << "each drop is followed by the retry delay, not a loop of refreshes";
    server.setActiveSpaceObserver({});
}

TEST(I3IpcWindowServer, ObserversComeAndGoFromSeveralThreads) {
    std::atomic<int> subscriptions = 0;
    FakePeer peer([&](int socket) {
        serveLikeAWindowManager(socket, subscriptions,
                                [](int subscribed, int) { FakePeer::readRequest(subscribed); });
    });
    I3IpcWindowServer::Options options;
    options.locateSocket = [&] { return peer.path(); };
    options.limits = quick();
    I3IpcWindowServer server(std::move(options));
    std::vector<std::thread> threads;
    for (int each = 0; each < 2; ++each) {
        threads.emplace_back([&server] {
            for (int round = 0; round < 20; ++round) {
                server.setActiveSpaceObserver([] {});
                (void)server.copyManagedDisplaySpaces(1);
                server.setActiveSpaceObserver({});
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(server.copyManagedDisplaySpaces(1).size(), 1u);
}

TEST(I3IpcWindowServer, NoSocketIsASentence) {
    I3IpcWindowServer::Options options;
    options.locateSocket = [] { return std::nullopt; };
    options.noSocketMessage = "No sway IPC socket was found.";
    EXPECT_EQ(failure([&] { I3IpcWindowServer server(options); }), "No sway IPC socket was found.");
}

using test::ScopedEnvironment;

TEST(I3IpcSocket, EachWindowManagerLooksWhereItsSocketIsNamed) {
    {
        const ScopedEnvironment both({{"SWAYSOCK", "/run/sway.sock"},
                                      {"I3SOCK", "/run/i3.sock"},
                                      {"DISPLAY", std::nullopt}});
        EXPECT_EQ(findSocket(WindowManager::sway), "/run/sway.sock");
        EXPECT_EQ(findSocket(WindowManager::i3), "/run/i3.sock");
    }
    {
        const ScopedEnvironment i3Only(
            {{"SWAYSOCK", std::nullopt}, {"I3SOCK", "/run/i3.sock"}, {"DISPLAY", std::nullopt}});
        EXPECT_EQ(findSocket(WindowManager::sway), "/run/i3.sock") << "sway sets both";
    }
    const ScopedEnvironment none(
        {{"SWAYSOCK", std::nullopt}, {"I3SOCK", ""}, {"DISPLAY", std::nullopt}});
    EXPECT_EQ(findSocket(WindowManager::sway), std::nullopt);
    EXPECT_EQ(findSocket(WindowManager::i3), std::nullopt) << "no X server to ask either";
}

TEST(I3IpcSocket, ASocketLeftBehindIsNoRunningDesktop) {
    std::string stale;
    {
        FakePeer peer([](int) {});
        const ScopedEnvironment running({{"SWAYSOCK", peer.path()},
                                         {"I3SOCK", std::nullopt},
                                         {"DISPLAY", std::nullopt},
                                         {"WAYLAND_DISPLAY", std::nullopt}});
        EXPECT_EQ(detectDesktop().name, "sway");
        stale = peer.path() + "-stale";
        // A socket file nobody listens on any more.
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", stale.c_str());
        ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(socket);
    }
    const ScopedEnvironment left({{"SWAYSOCK", stale},
                                  {"I3SOCK", stale},
                                  {"DISPLAY", std::nullopt},
                                  {"WAYLAND_DISPLAY", std::nullopt}});
    EXPECT_EQ(detectDesktop().kind, DetectedDesktop::Kind::noSession);
    ::unlink(stale.c_str());
}

} // namespace
} // namespace deskmap::platform::I3Ipc
