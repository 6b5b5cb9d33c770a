#include "bridge/BridgeWire.h"

namespace halvora::bridge::wire {
namespace {

void putU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void putU64(std::string& out, std::uint64_t value) {
    putU32(out, static_cast<std::uint32_t>(value));
    putU32(out, static_cast<std::uint32_t>(value >> 32));
}

void putString(std::string& out, std::string_view text) {
    putU32(out, static_cast<std::uint32_t>(text.size()));
    out.append(text);
}

std::uint32_t readU32(std::string_view bytes) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    }
    return value;
}

/// Reads fields off a payload; any read past its end marks it failed.
class Reader {
  public:
    explicit Reader(std::string_view payload) : rest_(payload) {}

    std::uint8_t u8() {
        if (!take(1)) {
            return 0;
        }
        return static_cast<std::uint8_t>(last_[0]);
    }
    std::uint32_t u32() {
        if (!take(4)) {
            return 0;
        }
        return readU32(last_);
    }
    std::uint64_t u64() {
        const std::uint64_t low = u32();
        const std::uint64_t high = u32();
        return low | (high << 32);
    }
    std::string string() {
        const std::uint32_t size = u32();
        if (!take(size)) {
            return {};
        }
        return std::string(last_);
    }
    bool ok() const { return ok_; }
    bool atEnd() const { return rest_.empty(); }

  private:
    bool take(std::size_t count) {
        if (!ok_ || rest_.size() < count) {
            ok_ = false;
            return false;
        }
        last_ = rest_.substr(0, count);
        rest_.remove_prefix(count);
        return true;
    }

    std::string_view rest_;
    std::string_view last_;
    bool ok_ = true;
};

bool knownType(std::uint8_t type) {
    return type >= static_cast<std::uint8_t>(Type::attach) &&
           type <= static_cast<std::uint8_t>(Type::edit);
}

}  // namespace

std::string encode(const Message& message) {
    std::string payload;
    payload.push_back(static_cast<char>(message.type));
    putU64(payload, message.serial);
    putU32(payload, message.keyCode);
    putU64(payload, message.flags);
    putString(payload, message.text);
    putString(payload, message.program);
    putU32(payload, message.fieldFlags);
    putU64(payload, message.contextId);
    payload.push_back(message.pass ? 1 : 0);
    putU32(payload, static_cast<std::uint32_t>(message.edits.size()));
    for (const WireEdit& edit : message.edits) {
        putU32(payload, edit.kind);
        putU32(payload, edit.count);
        putString(payload, edit.text);
        putString(payload, edit.shown);
    }
    std::string frame;
    frame.reserve(4 + payload.size());
    putU32(frame, static_cast<std::uint32_t>(payload.size()));
    frame += payload;
    return frame;
}

std::optional<Message> Decoder::next() {
    if (broken_) {
        return std::nullopt;
    }
    const std::string_view pending = std::string_view(buffer_).substr(start_);
    if (pending.size() < 4) {
        return std::nullopt;
    }
    const std::uint32_t size = readU32(pending);
    if (size > maxFrameBytes) {
        broken_ = true;
        return std::nullopt;
    }
    if (pending.size() < 4 + static_cast<std::size_t>(size)) {
        return std::nullopt;
    }
    Reader reader(pending.substr(4, size));
    Message message;
    const std::uint8_t type = reader.u8();
    message.type = static_cast<Type>(type);
    message.serial = reader.u64();
    message.keyCode = reader.u32();
    message.flags = reader.u64();
    message.text = reader.string();
    message.program = reader.string();
    message.fieldFlags = reader.u32();
    message.contextId = reader.u64();
    message.pass = reader.u8() != 0;
    const std::uint32_t count = reader.u32();
    // Every edit takes at least 16 bytes: a count beyond what is left is a lie.
    if (reader.ok() && count <= size / 16) {
        message.edits.reserve(count);
        for (std::uint32_t i = 0; i < count && reader.ok(); ++i) {
            WireEdit edit;
            edit.kind = reader.u32();
            edit.count = reader.u32();
            edit.text = reader.string();
            edit.shown = reader.string();
            message.edits.push_back(std::move(edit));
        }
    } else {
        broken_ = true;
        return std::nullopt;
    }
    if (!reader.ok() || !reader.atEnd() || !knownType(type)) {
        broken_ = true;
        return std::nullopt;
    }
    start_ += 4 + size;
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    } else if (start_ > 4096 && start_ * 2 > buffer_.size()) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    return message;
}

}  // namespace halvora::bridge::wire
