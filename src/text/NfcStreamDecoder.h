#pragma once

#include <string>
#include <string_view>

namespace halvora::text {

/// Decodes a UTF-8 byte stream that arrives in arbitrary pieces into NFC
/// UTF-32, without holding the whole stream: a sequence cut by a piece
/// boundary, and the last characters that a combining mark in the next piece
/// could still join, wait for the next piece.
class NfcStreamDecoder {
  public:
    /// Appends to `out` every character that can no longer change.
    void push(std::string_view bytes, std::u32string& out);
    /// Appends what is left at the end of the stream.
    void finish(std::u32string& out);

  private:
    void release(std::size_t count, std::u32string& out);

    std::string pendingBytes_;
    std::u32string pending_;
};

}  // namespace halvora::text
