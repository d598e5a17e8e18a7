// Following a running app over a scripted bus: whom the follower believes,
// and what it does with a state it cannot read or an app that hangs.
#include "RunningAppFollower.hpp"
#include "Support/PrivateSession.hpp"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <poll.h>

namespace deskmap {
namespace {

namespace DBus = platform::DBus;
using namespace std::chrono_literals;

nlohmann::json face(const std::string& text, const std::string& status = "ready") {
    return nlohmann::json::array({text, "1  " + text, status, ""});
}

// A bus where the app (":1.7") answers as `reply` says and signals arrive
// as the test sends them.
class ScriptedBus final : public DBus::Connection {
public:
    std::function<nlohmann::json(const DBus::MethodCall&)> reply;

    nlohmann::json call(const DBus::MethodCall& call, std::chrono::milliseconds) override {
        return reply(call);
    }
    void send(const DBus::MethodCall&) override {}
    void subscribe(const DBus::SignalMatch& match, std::function<void(const DBus::Signal&)> handler,
                   std::chrono::milliseconds) override {
        std::lock_guard lock(mutex_);
        handlers_.emplace_back(match.member, std::move(handler));
    }
    void serve(const std::string&, std::function<void(const DBus::IncomingCall&)>) override {}
    std::string uniqueName() override { return ":1.1"; }
    void wait(int cancel, std::chrono::milliseconds) override {
        std::unique_lock lock(mutex_);
        if (arrived_.empty()) {
            lock.unlock();
            pollfd descriptor{cancel, POLLIN, 0};
            ::poll(&descriptor, 1, 10);
            return;
        }
        const auto signal = arrived_.front();
        arrived_.pop_front();
        const auto handlers = handlers_;
        lock.unlock();
        // As a match rule would, but whoever sent it: that is the follower's to check.
        for (const auto& [member, handler] : handlers) {
            if (member == signal.member) {
                handler(signal);
            }
        }
    }

    void arrive(DBus::Signal signal) {
        std::lock_guard lock(mutex_);
        arrived_.push_back(std::move(signal));
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<std::string, std::function<void(const DBus::Signal&)>>> handlers_;
    std::deque<DBus::Signal> arrived_;
};

class RunningAppFollowerTest : public testing::Test {
protected:
    // Each connection (a first, or one after the bus was lost) answers so.
    void follow(std::function<nlohmann::json(const DBus::MethodCall&)> reply) {
        follower = std::make_unique<cli::RunningAppFollower>(
            cli::RunningAppFollower::Options{[this, reply] {
                                                 auto connection = std::make_unique<ScriptedBus>();
                                                 connection->reply = reply;
                                                 bus = connection.get();
                                                 return connection;
                                             },
                                             "key", 100ms, 50ms},
            [this](std::optional<BarFace> face) {
                std::lock_guard lock(mutex);
                told.push_back(face ? face->text : "(none)");
            },
            [this] { ++unreadable; });
        test::waitFor([&] { return bus.load() != nullptr; }, "the connection");
    }

    std::vector<std::string> words() {
        std::lock_guard lock(mutex);
        return told;
    }
    void waitForWords(std::size_t count) {
        test::waitFor([&] { return words().size() >= count; }, "the follower's word", 5s);
    }

    // The app, answering as one of this version does.
    static nlohmann::json app(const DBus::MethodCall& call, const nlohmann::json& state) {
        if (call.member == "GetNameOwner") {
            return nlohmann::json::array({":1.7"});
        }
        if (call.member == "Desktop") {
            return nlohmann::json::array({"key"});
        }
        EXPECT_EQ(call.destination, ":1.7") << "asked of the owner itself";
        return state;
    }

    std::mutex mutex;
    std::vector<std::string> told;
    std::atomic<int> unreadable{0};
    std::atomic<int> asked{0};
    std::atomic<ScriptedBus*> bus{nullptr};
    std::unique_ptr<cli::RunningAppFollower> follower;
};

TEST_F(RunningAppFollowerTest, OnlyTheOwnerOfTheNameSpeaksForTheAppAndOnlyTheBusForItsOwner) {
    follow([](const DBus::MethodCall& call) { return app(call, face("1 A")); });
    waitForWords(1);
    const auto faceSignal = [](const std::string& sender, const std::string& text) {
        return DBus::Signal{sender, "/com/quillary/deskmap", "com.quillary.deskmap.App",
                            "BarFaceChanged", face(text)};
    };
    bus.load()->arrive(faceSignal(":1.9", "spoofed"));
    bus.load()->arrive({":1.9", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameOwnerChanged",
                        nlohmann::json::array({"com.quillary.deskmap", ":1.7", ""})});
    bus.load()->arrive(faceSignal(":1.7", "2 B"));
    waitForWords(2);
    // An instance that left before this one was asked.
    bus.load()->arrive({"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                        "NameOwnerChanged",
                        nlohmann::json::array({"com.quillary.deskmap", ":1.5", ""})});
    bus.load()->arrive({"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                        "NameOwnerChanged",
                        nlohmann::json::array({"com.quillary.deskmap", ":1.7", ""})});
    waitForWords(3);
    EXPECT_EQ(words(), (std::vector<std::string>{"1 A", "2 B", "(none)"}));
}

TEST_F(RunningAppFollowerTest, AnUnreadableStateKeepsTheLastFaceAndAHungAppIsLeftAlone) {
    follow([this](const DBus::MethodCall& call) {
        if (call.member == "BarFace" && ++asked == 1) {
            throw DBus::CallError("org.freedesktop.DBus.Error.NoReply", "hung");
        }
        return app(call, face("1 A"));
    });
    waitForWords(2); // alone at first, the app's face once it answers
    bus.load()->arrive({":1.7", "/com/quillary/deskmap", "com.quillary.deskmap.App",
                        "BarFaceChanged", face("1 A", "a status from a newer version")});
    test::waitFor([&] { return unreadable > 0; }, "the unreadable state");
    EXPECT_EQ(words(), (std::vector<std::string>{"(none)", "1 A"}));
}

} // namespace
} // namespace deskmap
