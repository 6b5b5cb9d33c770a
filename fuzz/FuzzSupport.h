#pragma once

// Helpers shared by the fuzz targets: an invariant that aborts (so that
// libFuzzer keeps the input), a UTF-8 check, and a reader that takes typed
// values off the front of the input.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace halvora::fuzz {

[[noreturn]] inline void fail(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "invariant broken: %s [%.*s]\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

inline void require(bool holds, const char* what, std::string_view detail = {}) {
    if (!holds) {
        fail(what, detail);
    }
}

/// Well-formed UTF-8: shortest forms only, no surrogates, nothing past U+10FFFF.
inline bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t code = 0;
        if (byte < 0x80) {
            ++i;
            continue;
        } else if (byte >= 0xC2 && byte <= 0xDF) {
            length = 2;
            code = byte & 0x1F;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            length = 3;
            code = byte & 0x0F;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            length = 4;
            code = byte & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

/// Takes bytes, numbers and strings off the front of the fuzzer's input.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size)
        : text_(reinterpret_cast<const char*>(data), size) {}

    bool empty() const { return text_.empty(); }
    std::uint8_t byte() {
        if (text_.empty()) {
            return 0;
        }
        const auto value = static_cast<std::uint8_t>(text_.front());
        text_.remove_prefix(1);
        return value;
    }
    /// A string of up to `maxLength` bytes, its length taken from the input.
    std::string string(std::size_t maxLength = 255) {
        const std::size_t length = std::min<std::size_t>({byte(), maxLength, text_.size()});
        std::string out(text_.substr(0, length));
        text_.remove_prefix(length);
        return out;
    }
    /// Whatever is left.
    std::string_view rest() {
        const std::string_view out = text_;
        text_ = {};
        return out;
    }

  private:
    std::string_view text_;
};

}  // namespace halvora::fuzz
