#include "I3IpcMessage.hpp"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace deskmap::platform::I3Ipc {

std::string encode(MessageType type, std::string_view payload) {
    if (payload.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("an i3 IPC payload is limited to 4 GiB");
    }
    const auto length = static_cast<std::uint32_t>(payload.size());
    const auto number = static_cast<std::uint32_t>(type);
    std::string bytes(magic);
    bytes.append(reinterpret_cast<const char*>(&length), sizeof length);
    bytes.append(reinterpret_cast<const char*>(&number), sizeof number);
    bytes.append(payload);
    return bytes;
}

std::optional<Header> decodeHeader(std::string_view bytes) {
    if (bytes.size() < headerSize || bytes.substr(0, magic.size()) != magic) {
        return std::nullopt;
    }
    Header header;
    std::memcpy(&header.length, bytes.data() + magic.size(), sizeof header.length);
    std::memcpy(&header.type, bytes.data() + magic.size() + sizeof header.length,
                sizeof header.type);
    return header;
}

} // namespace deskmap::platform::I3Ipc
