#pragma once

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

// A small client of the D-Bus session bus, over sd-bus in a module of its
// own: programs on desktops without D-Bus backends never load it.
namespace deskmap::platform::DBus {

// The bus cannot be reached, or the connection to it was lost.
class __attribute__((visibility("default"))) ConnectionError : public std::runtime_error {
public:
    explicit ConnectionError(const std::string& message) : std::runtime_error(message) {}
};

// A call failed: the peer answered with an error, or nothing answered in
// time. `name` is the D-Bus error name
// ("org.freedesktop.DBus.Error.ServiceUnknown", ...).
class __attribute__((visibility("default"))) CallError : public std::runtime_error {
public:
    CallError(std::string name, const std::string& message)
        : std::runtime_error(message), name_(std::move(name)) {}
    const std::string& name() const { return name_; }
    bool isTimeout() const;
    bool isNobodyThere() const; // no owner of the name, or it left meanwhile

private:
    std::string name_;
};

// Text sent inside a variant, as org.freedesktop.DBus.Properties.Set takes it.
struct TextVariant {
    std::string value;
};

using Argument = std::variant<std::string, std::uint32_t, std::int32_t, bool, TextVariant>;

struct MethodCall {
    std::string destination;
    std::string path;
    std::string interface;
    std::string member;
    std::vector<Argument> arguments;
};

// Which signals to receive; an empty field matches anything.
struct SignalMatch {
    std::string sender;
    std::string path;
    std::string interface;
    std::string member;
    std::optional<std::string> firstArgument;

    // As a D-Bus match rule (written by the module, which alone uses it).
    std::string rule() const;
};

struct Signal {
    // The unique name of the connection that sent it, or the bus's own
    // ("org.freedesktop.DBus"). A match rule does not keep out a signal sent
    // to this connection alone: who sent it is checked here.
    std::string sender;
    std::string path;
    std::string interface;
    std::string member;
    nlohmann::json arguments; // an array, as call() returns them
};

// A method call to an object this connection serves.
struct IncomingCall {
    std::string sender; // the caller's unique name
    std::string interface;
    std::string member;
    nlohmann::json arguments; // an array, as call() returns them
};

// One connection, used by one thread at a time.
class Connection {
public:
    virtual ~Connection() = default;

    // The reply's arguments as a JSON array: numbers, booleans and text as
    // themselves, arrays and structures as arrays, dictionaries with text
    // keys as objects, variants as their value. Throws CallError, or
    // ConnectionError when the bus is gone.
    virtual nlohmann::json call(const MethodCall& call, std::chrono::milliseconds timeout) = 0;

    // Sends a call whose reply nobody waits for: it has left when this
    // returns. Throws CallError, or ConnectionError when the bus is gone.
    virtual void send(const MethodCall& call) = 0;

    // Delivers matching signals to `handler` from within wait().
    virtual void subscribe(const SignalMatch& match, std::function<void(const Signal&)> handler,
                           std::chrono::milliseconds timeout) = 0;

    // Serves method calls to `path` from within wait(): each is answered
    // with an empty reply once `handler` returns, or with the error a
    // CallError it throws names.
    virtual void serve(const std::string& path,
                       std::function<void(const IncomingCall&)> handler) = 0;

    // This connection's unique name on the bus (":1.42"), which no other
    // connection ever gets while the bus runs.
    virtual std::string uniqueName() = 0;

    // Reads what arrived and delivers it; returns when something was
    // delivered, `timeout` passed or `cancelDescriptor` (if not -1) became
    // readable. Throws ConnectionError when the bus is gone.
    virtual void wait(int cancelDescriptor, std::chrono::milliseconds timeout) = 0;

protected:
    Connection() = default;
    Connection(const Connection&) = default;
    Connection& operator=(const Connection&) = default;
};

// A new connection to the session bus (DBUS_SESSION_BUS_ADDRESS, else the
// user's bus in XDG_RUNTIME_DIR). Throws ConnectionError.
std::unique_ptr<Connection> connectSessionBus();
// A new connection to the bus at `address` ("unix:path=...").
std::unique_ptr<Connection> connectBus(const std::string& address);

// Whether `name` has an owner on the bus.
bool hasOwner(Connection& connection, const std::string& name, std::chrono::milliseconds timeout);

// A property's value, through org.freedesktop.DBus.Properties.
nlohmann::json property(Connection& connection, const std::string& destination,
                        const std::string& path, const std::string& interface,
                        const std::string& name, std::chrono::milliseconds timeout);

} // namespace deskmap::platform::DBus
