#pragma once

// The bridge's messages as bytes on its socket, and back. Each message is
// one frame: a little-endian 32-bit length, then the payload (a type byte
// and the fields in a fixed order). Framework-free, shared by both ends.

#include "bridge/EditPlan.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::bridge::wire {

enum class Type : std::uint8_t {
    /// addon -> desktop: the addon announces itself.
    attach = 1,
    /// addon -> desktop: one key-down of the focused context; answered by
    /// `keyReply` with the same serial.
    keyDown = 2,
    /// desktop -> addon: the controller's answer and its edits.
    keyReply = 3,
    /// addon -> desktop: the word of the context ends by the user's hand.
    mouseDown = 4,
    /// addon -> desktop: keyboard focus moved to a context.
    focusIn = 5,
    /// addon -> desktop: keyboard focus left a context.
    focusOut = 6,
    /// desktop -> addon: edits made outside a key call.
    edit = 7,
};

/// One message; each type uses the fields its comment in BridgeProtocol.h
/// names and leaves the others as they are.
struct Message {
    Type type = Type::attach;
    std::uint64_t serial = 0;
    std::uint32_t keyCode = 0;
    std::uint64_t flags = 0;
    std::string text;
    std::string program;
    std::uint32_t fieldFlags = 0;
    std::uint64_t contextId = 0;
    bool pass = true;
    std::vector<WireEdit> edits;

    bool operator==(const Message&) const = default;
};

/// Frames larger than this are refused: nothing the bridge says comes close.
inline constexpr std::size_t maxFrameBytes = 1 << 20;

/// The frame of `message`, ready to write.
std::string encode(const Message& message);

/// Cuts frames out of a byte stream and decodes them.
class Decoder {
  public:
    void feed(std::string_view bytes) { buffer_.append(bytes); }
    /// The next whole message; nothing while it has not fully arrived, or
    /// once the stream proved malformed (then `broken()`).
    std::optional<Message> next();
    bool broken() const { return broken_; }

  private:
    std::string buffer_;
    std::size_t start_ = 0;
    bool broken_ = false;
};

}  // namespace halvora::bridge::wire
