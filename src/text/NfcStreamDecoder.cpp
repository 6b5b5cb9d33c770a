#include "text/NfcStreamDecoder.h"

#include "text/Unicode.h"

#include <unicode/normalizer2.h>
#include <unicode/utf8.h>

namespace halvora::text {
namespace {

// Where an incomplete UTF-8 sequence starts at the end of `data`; data.size()
// when the data ends on a complete character.
std::size_t incompleteTailStart(std::string_view data) {
    const std::size_t size = data.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<uint8_t>(data[size - back]);
        if (byte < 0x80) {
            return size;
        }
        if (byte >= 0xC0) {
            const std::size_t expected = static_cast<std::size_t>(U8_COUNT_TRAIL_BYTES(byte)) + 1;
            return expected > back ? size - back : size;
        }
    }
    return size;
}

}  // namespace

void NfcStreamDecoder::push(std::string_view bytes, std::u32string& out) {
    pendingBytes_.append(bytes);
    const std::size_t cut = incompleteTailStart(pendingBytes_);
    appendUtf32(pending_, std::string_view(pendingBytes_).substr(0, cut));
    pendingBytes_.erase(0, cut);

    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    // Hold back from the last character that starts a new normalisation
    // segment: what follows may still compose with it.
    std::size_t keep = pending_.size();
    while (keep > 0) {
        --keep;
        if (U_FAILURE(status) || nfc->hasBoundaryBefore(static_cast<UChar32>(pending_[keep]))) {
            break;
        }
    }
    release(keep, out);
}

void NfcStreamDecoder::finish(std::u32string& out) {
    if (!pendingBytes_.empty()) {
        appendUtf32(pending_, pendingBytes_);
        pendingBytes_.clear();
    }
    release(pending_.size(), out);
}

void NfcStreamDecoder::release(std::size_t count, std::u32string& out) {
    if (count == 0) {
        return;
    }
    const std::u32string_view head = std::u32string_view(pending_).substr(0, count);
    bool belowMarks = true;
    for (char32_t c : head) {
        if (c >= 0x300) {
            belowMarks = false;
            break;
        }
    }
    if (belowMarks) {
        // Nothing below the combining marks ever changes under NFC.
        out.append(head);
    } else {
        appendUtf32(out, toNFC(toUtf8(head)));
    }
    pending_.erase(0, count);
}

}  // namespace halvora::text
