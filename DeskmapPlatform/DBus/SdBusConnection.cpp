// The D-Bus client over sd-bus, built as a module (libdeskmap-dbus.so) so
// that libsystemd is loaded only by programs that talk to a D-Bus desktop.
#include "DeskmapPlatform/DBus/DBusConnection.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <list>
#include <poll.h>
#include <systemd/sd-bus.h>

namespace deskmap::platform::DBus {

namespace {

// Match-rule values are quoted with apostrophes; an apostrophe inside is
// written as '\''.
std::string quoted(const std::string& value) {
    std::string out = "'";
    for (const char c : value) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

} // namespace

std::string SignalMatch::rule() const {
    std::string rule = "type='signal'";
    const auto add = [&](const char* key, const std::string& value) {
        if (!value.empty()) {
            rule += std::string(",") + key + "=" + quoted(value);
        }
    };
    add("sender", sender);
    add("path", path);
    add("interface", interface);
    add("member", member);
    if (firstArgument) {
        rule += ",arg0=" + quoted(*firstArgument);
    }
    return rule;
}

namespace {

// Deeper than any real message; deeper still is refused rather than walked.
constexpr int maximumDepth = 64;

std::uint64_t microseconds(std::chrono::milliseconds timeout) {
    return static_cast<std::uint64_t>(std::max<std::int64_t>(timeout.count(), 1)) * 1000;
}

std::string describe(int error) {
    return std::strerror(error < 0 ? -error : error);
}

struct ErrorGuard {
    sd_bus_error error{}; // as SD_BUS_ERROR_NULL, which is a C compound literal
    ~ErrorGuard() { sd_bus_error_free(&error); }
};

struct MessagePointer {
    sd_bus_message* message = nullptr;
    ~MessagePointer() { sd_bus_message_unref(message); }
};

class Reader {
public:
    explicit Reader(sd_bus_message* message) : message_(message) {}

    // Every remaining value at this level.
    nlohmann::json readAll(int depth) {
        auto values = nlohmann::json::array();
        char type = 0;
        const char* contents = nullptr;
        while (check(sd_bus_message_peek_type(message_, &type, &contents)) > 0) {
            values.push_back(readOne(type, contents, depth));
        }
        return values;
    }

private:
    int check(int result) {
        if (result < 0) {
            throw CallError("org.freedesktop.DBus.Error.InvalidArgs",
                            "A D-Bus message could not be read (" + describe(result) + ").");
        }
        return result;
    }

    template <class Value> Value basic(char type) {
        Value value{};
        check(sd_bus_message_read_basic(message_, type, &value));
        return value;
    }

    nlohmann::json readOne(char type, const char* contents, int depth) {
        if (depth > maximumDepth) {
            throw CallError("org.freedesktop.DBus.Error.InvalidArgs",
                            "A D-Bus message is nested too deeply.");
        }
        switch (type) {
        case SD_BUS_TYPE_BYTE:
            return basic<std::uint8_t>(type);
        case SD_BUS_TYPE_BOOLEAN:
            return basic<int>(type) != 0;
        case SD_BUS_TYPE_INT16:
            return basic<std::int16_t>(type);
        case SD_BUS_TYPE_UINT16:
            return basic<std::uint16_t>(type);
        case SD_BUS_TYPE_INT32:
            return basic<std::int32_t>(type);
        case SD_BUS_TYPE_UINT32:
            return basic<std::uint32_t>(type);
        case SD_BUS_TYPE_INT64:
            return basic<std::int64_t>(type);
        case SD_BUS_TYPE_UINT64:
            return basic<std::uint64_t>(type);
        case SD_BUS_TYPE_DOUBLE:
            return basic<double>(type);
        case SD_BUS_TYPE_UNIX_FD:
            basic<int>(type);
            return nullptr; // never kept: nothing here takes descriptors
        case SD_BUS_TYPE_STRING:
        case SD_BUS_TYPE_OBJECT_PATH:
        case SD_BUS_TYPE_SIGNATURE:
            return std::string(basic<const char*>(type));
        case SD_BUS_TYPE_ARRAY:
            return array(contents, depth);
        case SD_BUS_TYPE_STRUCT:
        case SD_BUS_TYPE_VARIANT: {
            check(sd_bus_message_enter_container(message_, type, contents));
            auto values = readAll(depth + 1);
            check(sd_bus_message_exit_container(message_));
            if (type == SD_BUS_TYPE_VARIANT) {
                return values.empty() ? nlohmann::json() : std::move(values[0]);
            }
            return values;
        }
        default:
            throw CallError("org.freedesktop.DBus.Error.InvalidArgs",
                            std::string("A D-Bus message holds an unknown type '") + type + "'.");
        }
    }

    nlohmann::json array(const char* contents, int depth) {
        check(sd_bus_message_enter_container(message_, SD_BUS_TYPE_ARRAY, contents));
        nlohmann::json result;
        if (contents[0] == SD_BUS_TYPE_DICT_ENTRY_BEGIN) {
            const std::string entry(contents + 1, std::strlen(contents) - 2);
            result = nlohmann::json::object();
            while (check(sd_bus_message_enter_container(message_, SD_BUS_TYPE_DICT_ENTRY,
                                                        entry.c_str())) > 0) {
                auto pair = readAll(depth + 1);
                check(sd_bus_message_exit_container(message_));
                if (pair.size() == 2) {
                    // Keys that are not text (rare) are written as JSON.
                    auto key = pair[0].is_string() ? pair[0].get<std::string>() : pair[0].dump();
                    result[key] = std::move(pair[1]);
                }
            }
        } else {
            result = readAll(depth + 1);
        }
        check(sd_bus_message_exit_container(message_));
        return result;
    }

    sd_bus_message* message_;
};

class SdBusConnection final : public Connection {
public:
    explicit SdBusConnection(sd_bus* bus) : bus_(bus) {}
    ~SdBusConnection() override {
        for (auto& subscription : subscriptions_) {
            sd_bus_slot_unref(subscription.slot);
        }
        for (auto& object : objects_) {
            sd_bus_slot_unref(object.slot);
        }
        sd_bus_flush_close_unref(bus_);
    }
    SdBusConnection(const SdBusConnection&) = delete;
    SdBusConnection& operator=(const SdBusConnection&) = delete;

    nlohmann::json call(const MethodCall& call, std::chrono::milliseconds timeout) override {
        MessagePointer request;
        write(call, request);
        ErrorGuard error;
        MessagePointer reply;
        const int result =
            sd_bus_call(bus_, request.message, microseconds(timeout), &error.error, &reply.message);
        if (result < 0) {
            failIfBroken(result); // sd-bus names a lost connection as an error too
            if (sd_bus_error_is_set(&error.error)) {
                throw CallError(error.error.name,
                                error.error.message ? error.error.message : error.error.name);
            }
            if (result == -ETIMEDOUT) {
                throw CallError("org.freedesktop.DBus.Error.Timeout",
                                "Nothing answered on D-Bus in time.");
            }
            throw ConnectionError("The session bus connection failed (" + describe(result) + ").");
        }
        return Reader(reply.message).readAll(0);
    }

    void send(const MethodCall& call) override {
        MessagePointer request;
        write(call, request);
        failIfBroken(sd_bus_message_set_expect_reply(request.message, 0));
        const int result = sd_bus_send(bus_, request.message, nullptr);
        if (result < 0) {
            failIfBroken(result);
            throw CallError("org.freedesktop.DBus.Error.Failed",
                            "A D-Bus call could not be sent (" + describe(result) + ").");
        }
        failIfBroken(sd_bus_flush(bus_));
    }

    void subscribe(const SignalMatch& match, std::function<void(const Signal&)> handler,
                   std::chrono::milliseconds timeout) override {
        failIfBroken(sd_bus_set_method_call_timeout(bus_, microseconds(timeout)));
        auto& subscription = subscriptions_.emplace_back();
        subscription.owner = this;
        subscription.handler = std::move(handler);
        const int result = sd_bus_add_match(bus_, &subscription.slot, match.rule().c_str(),
                                            &SdBusConnection::deliver, &subscription);
        if (result < 0) {
            subscriptions_.pop_back();
            failIfBroken(result);
            throw CallError("org.freedesktop.DBus.Error.Failed",
                            "The bus refused to deliver signals (" + describe(result) + ").");
        }
    }

    void serve(const std::string& path, std::function<void(const IncomingCall&)> handler) override {
        auto& object = objects_.emplace_back();
        object.owner = this;
        object.handler = std::move(handler);
        const int result =
            sd_bus_add_object(bus_, &object.slot, path.c_str(), &SdBusConnection::answer, &object);
        if (result < 0) {
            objects_.pop_back();
            failIfBroken(result);
            throw CallError("org.freedesktop.DBus.Error.Failed",
                            "An object could not be offered on D-Bus (" + describe(result) + ").");
        }
    }

    std::string uniqueName() override {
        const char* name = nullptr;
        const int result = failIfBroken(sd_bus_get_unique_name(bus_, &name));
        if (result < 0 || !name) {
            throw ConnectionError("The session bus gave this connection no name (" +
                                  describe(result) + ").");
        }
        return name;
    }

    void wait(int cancelDescriptor, std::chrono::milliseconds timeout) override {
        if (processAll()) {
            return;
        }
        const int descriptor = failIfBroken(sd_bus_get_fd(bus_));
        const int events = failIfBroken(sd_bus_get_events(bus_));
        std::uint64_t busTimeout = 0;
        failIfBroken(sd_bus_get_timeout(bus_, &busTimeout));
        auto waitFor = timeout.count();
        if (busTimeout != UINT64_MAX) {
            struct timespec now {};
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            const auto nowMicroseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000000 +
                                         static_cast<std::uint64_t>(now.tv_nsec) / 1000;
            const auto left = busTimeout > nowMicroseconds ? busTimeout - nowMicroseconds : 0;
            waitFor = std::min<std::int64_t>(waitFor, static_cast<std::int64_t>(left / 1000) + 1);
        }
        pollfd descriptors[2] = {{descriptor, static_cast<short>(events), 0},
                                 {cancelDescriptor, POLLIN, 0}};
        const int ready = ::poll(descriptors, cancelDescriptor >= 0 ? 2 : 1,
                                 static_cast<int>(std::min<std::int64_t>(waitFor, INT32_MAX)));
        if (ready < 0 && errno != EINTR) {
            throw ConnectionError("Waiting on the session bus failed (" + describe(errno) + ").");
        }
        processAll();
    }

private:
    struct Subscription {
        SdBusConnection* owner = nullptr;
        sd_bus_slot* slot = nullptr;
        std::function<void(const Signal&)> handler;
    };

    void write(const MethodCall& call, MessagePointer& request) {
        const int made = failIfBroken(sd_bus_message_new_method_call(
            bus_, &request.message, call.destination.c_str(), call.path.c_str(),
            call.interface.empty() ? nullptr : call.interface.c_str(), call.member.c_str()));
        if (made < 0) {
            throw CallError("org.freedesktop.DBus.Error.InvalidArgs",
                            "A D-Bus call could not be made (" + describe(made) + ").");
        }
        for (const auto& argument : call.arguments) {
            int result = 0;
            if (const auto* text = std::get_if<std::string>(&argument)) {
                result = sd_bus_message_append_basic(request.message, 's', text->c_str());
            } else if (const auto* unsignedNumber = std::get_if<std::uint32_t>(&argument)) {
                result = sd_bus_message_append_basic(request.message, 'u', unsignedNumber);
            } else if (const auto* number = std::get_if<std::int32_t>(&argument)) {
                result = sd_bus_message_append_basic(request.message, 'i', number);
            } else if (const auto* truth = std::get_if<bool>(&argument)) {
                const int value = *truth ? 1 : 0;
                result = sd_bus_message_append_basic(request.message, 'b', &value);
            } else {
                result = sd_bus_message_append(request.message, "v", "s",
                                               std::get<TextVariant>(argument).value.c_str());
            }
            if (result < 0) {
                throw CallError("org.freedesktop.DBus.Error.InvalidArgs",
                                "A D-Bus argument could not be written (" + describe(result) +
                                    ").");
            }
        }
    }

    int failIfBroken(int result) {
        if (result == -ECONNRESET || result == -ENOTCONN || result == -EPIPE ||
            result == -ESHUTDOWN || result == -ECONNREFUSED) {
            throw ConnectionError("The session bus connection was lost (" + describe(result) +
                                  ").");
        }
        return result;
    }

    // Handles everything queued; whether a signal was delivered.
    bool processAll() {
        delivered_ = false;
        for (;;) {
            const int result = sd_bus_process(bus_, nullptr);
            if (failed_) {
                auto failure = std::exchange(failed_, nullptr);
                std::rethrow_exception(failure);
            }
            if (result < 0) {
                failIfBroken(result);
                throw ConnectionError("The session bus connection failed (" + describe(result) +
                                      ").");
            }
            if (result == 0) {
                return delivered_;
            }
        }
    }

    static int deliver(sd_bus_message* message, void* userdata, sd_bus_error*) {
        auto& subscription = *static_cast<Subscription*>(userdata);
        auto& owner = *subscription.owner;
        try {
            Signal signal;
            const char* sender = sd_bus_message_get_sender(message);
            signal.sender = sender ? sender : "";
            const char* path = sd_bus_message_get_path(message);
            const char* interface = sd_bus_message_get_interface(message);
            const char* member = sd_bus_message_get_member(message);
            signal.path = path ? path : "";
            signal.interface = interface ? interface : "";
            signal.member = member ? member : "";
            signal.arguments = Reader(message).readAll(0);
            owner.delivered_ = true;
            subscription.handler(signal);
        } catch (const CallError&) {
            owner.delivered_ = true; // an unreadable signal still says something changed
        } catch (...) {
            owner.failed_ = std::current_exception();
        }
        return 0;
    }

    struct ServedObject {
        SdBusConnection* owner = nullptr;
        sd_bus_slot* slot = nullptr;
        std::function<void(const IncomingCall&)> handler;
    };

    static int answer(sd_bus_message* message, void* userdata, sd_bus_error* error) {
        if (sd_bus_message_is_method_call(message, nullptr, nullptr) <= 0) {
            return 0;
        }
        auto& object = *static_cast<ServedObject*>(userdata);
        auto& owner = *object.owner;
        try {
            IncomingCall call;
            const char* sender = sd_bus_message_get_sender(message);
            const char* interface = sd_bus_message_get_interface(message);
            const char* member = sd_bus_message_get_member(message);
            call.sender = sender ? sender : "";
            call.interface = interface ? interface : "";
            call.member = member ? member : "";
            call.arguments = Reader(message).readAll(0);
            owner.delivered_ = true;
            object.handler(call);
        } catch (const CallError& refusal) {
            owner.delivered_ = true;
            return sd_bus_error_set(error, refusal.name().c_str(), refusal.what());
        } catch (...) {
            owner.failed_ = std::current_exception();
            return sd_bus_error_set(error, "org.freedesktop.DBus.Error.Failed", "internal error");
        }
        const int replied = sd_bus_reply_method_return(message, "");
        return replied < 0 ? replied : 1; // handled: no other handler answers it
    }

    sd_bus* bus_;
    std::list<Subscription> subscriptions_; // stable addresses for sd-bus
    std::list<ServedObject> objects_;
    bool delivered_ = false;
    std::exception_ptr failed_;
};

} // namespace

} // namespace deskmap::platform::DBus

extern "C" __attribute__((visibility("default"))) deskmap::platform::DBus::Connection*
deskmap_connect_bus(const char* address, std::string* problem);

extern "C" __attribute__((visibility("default"))) deskmap::platform::DBus::Connection*
deskmap_connect_bus(const char* address, std::string* problem) {
    using deskmap::platform::DBus::describe;
    try {
        sd_bus* bus = nullptr;
        int result = 0;
        if (!*address) {
            result = sd_bus_open_user(&bus);
        } else if ((result = sd_bus_new(&bus)) >= 0) {
            if ((result = sd_bus_set_address(bus, address)) < 0 ||
                (result = sd_bus_set_bus_client(bus, 1)) < 0 || (result = sd_bus_start(bus)) < 0) {
                sd_bus_unref(bus);
                bus = nullptr;
            }
        }
        if (result < 0) {
            *problem = describe(result);
            return nullptr;
        }
        return new deskmap::platform::DBus::SdBusConnection(bus);
    } catch (const std::exception& error) {
        *problem = error.what();
        return nullptr;
    }
}
