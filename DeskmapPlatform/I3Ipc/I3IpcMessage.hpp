#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The framing of the i3 IPC protocol, which sway speaks too: the magic
// "i3-ipc", the payload length and the message type (both 32-bit, in the
// host's byte order), then the payload (JSON in every reply).
namespace deskmap::platform::I3Ipc {

enum class MessageType : std::uint32_t {
    runCommand = 0,
    getWorkspaces = 1,
    subscribe = 2,
    getOutputs = 3,
    getTree = 4,
};

// Set on the type of every event, so events and replies can be told apart.
inline constexpr std::uint32_t eventFlag = 0x80000000u;
inline constexpr std::uint32_t workspaceEvent = eventFlag | 0u;
inline constexpr std::uint32_t outputEvent = eventFlag | 1u;
inline constexpr std::uint32_t shutdownEvent = eventFlag | 6u;

inline constexpr std::string_view magic = "i3-ipc";
inline constexpr std::size_t headerSize = 14;

struct Header {
    std::uint32_t length = 0;
    std::uint32_t type = 0;

    friend bool operator==(const Header&, const Header&) = default;
};

struct Message {
    std::uint32_t type = 0;
    std::string payload;

    friend bool operator==(const Message&, const Message&) = default;
};

// The bytes of one request.
std::string encode(MessageType type, std::string_view payload);

// The header at the start of `bytes` (at least headerSize of them), or
// nothing when they do not begin with the magic.
std::optional<Header> decodeHeader(std::string_view bytes);

} // namespace deskmap::platform::I3Ipc
