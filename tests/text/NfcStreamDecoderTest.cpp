#include "text/NfcStreamDecoder.h"
#include "text/Unicode.h"

#include <gtest/gtest.h>

namespace halvora::text {
namespace {

std::u32string decodeInPieces(std::string_view input, std::size_t pieceSize) {
    NfcStreamDecoder decoder;
    std::u32string out;
    for (std::size_t i = 0; i < input.size(); i += pieceSize) {
        decoder.push(input.substr(i, pieceSize), out);
    }
    decoder.finish(out);
    return out;
}

TEST(NfcStreamDecoderTest, AnyPieceSizeGivesTheWholeTextInNfc) {
    // Multi-byte characters and combining marks land on every possible cut.
    const std::string input = "Tie\u0302\u0301ng Vie\u0323\u0302t — người 😀 cafe\u0301";
    const std::u32string expected = toUtf32(toNFC(input));
    for (std::size_t piece = 1; piece <= input.size(); ++piece) {
        EXPECT_EQ(decodeInPieces(input, piece), expected) << "piece size " << piece;
    }
}

TEST(NfcStreamDecoderTest, TruncatedSequenceAtTheEndBecomesAReplacementCharacter) {
    EXPECT_EQ(decodeInPieces("ab\xE1\xBA", 1), U"ab\uFFFD");
}

}  // namespace
}  // namespace halvora::text
