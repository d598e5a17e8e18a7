#include "DeskmapPlatform/DBus/DBusConnection.hpp"

#include "DeskmapPlatform/Modules/ModuleLoader.hpp"

namespace deskmap::platform::DBus {

bool CallError::isTimeout() const {
    return name_ == "org.freedesktop.DBus.Error.NoReply" ||
           name_ == "org.freedesktop.DBus.Error.Timeout" ||
           name_ == "org.freedesktop.DBus.Error.TimedOut";
}

bool CallError::isNobodyThere() const {
    return name_ == "org.freedesktop.DBus.Error.ServiceUnknown" ||
           name_ == "org.freedesktop.DBus.Error.NameHasNoOwner" ||
           name_ == "org.freedesktop.DBus.Error.UnknownObject" ||
           name_ == "org.freedesktop.DBus.Error.UnknownMethod" ||
           name_ == "org.freedesktop.DBus.Error.UnknownInterface";
}

namespace {

// An empty address is the session bus.
std::unique_ptr<Connection> connect(const std::string& address) {
    using Create = Connection* (*)(const char*, std::string*);
    Create create = nullptr;
    try {
        create =
            reinterpret_cast<Create>(moduleSymbol("libdeskmap-dbus.so", "deskmap_connect_bus"));
    } catch (const ModuleError& error) {
        throw ConnectionError(std::string("The D-Bus client is missing (") + error.what() + ").");
    }
    std::string problem;
    std::unique_ptr<Connection> connection(create(address.c_str(), &problem));
    if (!connection) {
        throw ConnectionError("The session bus cannot be reached (" + problem + ").");
    }
    return connection;
}

} // namespace

std::unique_ptr<Connection> connectSessionBus() {
    return connect({});
}

std::unique_ptr<Connection> connectBus(const std::string& address) {
    return connect(address);
}

bool hasOwner(Connection& connection, const std::string& name, std::chrono::milliseconds timeout) {
    const auto reply = connection.call({"org.freedesktop.DBus",
                                        "/org/freedesktop/DBus",
                                        "org.freedesktop.DBus",
                                        "NameHasOwner",
                                        {name}},
                                       timeout);
    return reply.size() == 1 && reply[0].is_boolean() && reply[0].get<bool>();
}

nlohmann::json property(Connection& connection, const std::string& destination,
                        const std::string& path, const std::string& interface,
                        const std::string& name, std::chrono::milliseconds timeout) {
    auto reply = connection.call(
        {destination, path, "org.freedesktop.DBus.Properties", "Get", {interface, name}}, timeout);
    return reply.size() == 1 ? std::move(reply[0]) : nlohmann::json();
}

} // namespace deskmap::platform::DBus
