#include "backup/Base64.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>

namespace halvora::backup {
namespace {

TEST(Base64Test, KnownVectorsRoundTrip) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\xFF\xFE\x00\x3F", 4), "//4APw=="},
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(Base64::encode(plain), encoded);
        EXPECT_EQ(Base64::encodedSize(plain.size()), encoded.size());
        const auto decoded = Base64::decode(encoded);
        ASSERT_TRUE(decoded) << encoded;
        EXPECT_EQ(std::string(decoded->begin(), decoded->end()), plain);
    }
}

TEST(Base64Test, RandomBytesOfEveryLengthRoundTrip) {
    std::mt19937 random(7);
    for (std::size_t length = 0; length < 300; ++length) {
        std::string bytes(length, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random() & 0xFF);
        }
        const auto decoded = Base64::decode(Base64::encode(bytes));
        ASSERT_TRUE(decoded);
        ASSERT_EQ(std::string(decoded->begin(), decoded->end()), bytes) << length;
    }
}

TEST(Base64Test, RefusesAnythingButStrictBase64) {
    for (const std::string_view text : {"Zg=", "Zg", "Z===", "====", "Zh==", "Zm9=", "Zm9v\n",
                                        "Zm=v", "Zm9v Yg==", "Zm9-", "=Zm9"}) {
        EXPECT_FALSE(Base64::decode(text)) << text;
    }
}

TEST(Base64Test, RefusesAForeignCharacterAnywhereInALongText) {
    // Long enough for the decoder's four-group rounds, the single groups
    // after them and the last (padded) group.
    std::string bytes(301, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 37 + 11);
    }
    const std::string text = Base64::encode(bytes);
    ASSERT_TRUE(Base64::decode(text));
    for (std::size_t at = 0; at < text.size(); ++at) {
        for (const char foreign : {'*', '=', '\n', '\0', '\xC3', '-', '_'}) {
            std::string damaged = text;
            if (damaged[at] == foreign) {
                continue;
            }
            damaged[at] = foreign;
            // "=" may stand only in the padding of the last group.
            if (foreign == '=' && at + 2 >= text.size() && text.back() == '=') {
                continue;
            }
            EXPECT_FALSE(Base64::decode(damaged)) << at << " " << static_cast<int>(foreign);
        }
    }
}

TEST(Base64Test, SizesAndInPlaceHelpersAgreeWithTheWholeForms) {
    EXPECT_EQ(Base64::decodedSize(""), 0U);
    EXPECT_EQ(Base64::decodedSize("Zg=="), 1U);
    EXPECT_EQ(Base64::decodedSize("Zm8="), 2U);
    EXPECT_EQ(Base64::decodedSize("Zm9v"), 3U);
    EXPECT_EQ(Base64::decodedSize("Zm9"), std::nullopt);
    EXPECT_EQ(Base64::encodedSize(0), 0U);
    EXPECT_EQ(Base64::encodedSize(4), 8U);

    // Encoding piece by piece at multiples of three bytes gives the whole
    // text, as the archive writer does it.
    std::mt19937 random(11);
    std::string bytes(10'000, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    const std::string whole = Base64::encode(bytes);
    std::string pieces(Base64::encodedSize(bytes.size()), '\0');
    char* out = pieces.data();
    const auto* in = reinterpret_cast<const std::uint8_t*>(bytes.data());
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t step = std::min<std::size_t>(bytes.size() - done, 3 * 97);
        out = Base64::encodeTo(out, in + done, step);
        done += step;
    }
    EXPECT_EQ(out, pieces.data() + pieces.size());
    EXPECT_EQ(pieces, whole);

    // Decoding over the text itself, as loading does.
    std::string buffer = whole;
    auto* target = reinterpret_cast<std::uint8_t*>(buffer.data());
    ASSERT_TRUE(Base64::decodeTo(whole, target));
    EXPECT_EQ(std::string_view(buffer).substr(0, bytes.size()), bytes);
    std::string inPlace = whole;
    ASSERT_TRUE(Base64::decodeTo(inPlace, reinterpret_cast<std::uint8_t*>(inPlace.data())));
    EXPECT_EQ(inPlace.substr(0, bytes.size()), bytes);
}

TEST(Base64Test, DecodesNoMoreThanItsSizeSays) {
    // The decoder writes several bytes at once inside the text; nothing
    // beyond decodedSize may change.
    for (std::size_t length = 0; length < 64; ++length) {
        const std::string bytes(length, 'q');
        const std::string text = Base64::encode(bytes);
        std::string out(length + 16, '#');
        ASSERT_TRUE(Base64::decodeTo(text, reinterpret_cast<std::uint8_t*>(out.data())));
        EXPECT_EQ(out, bytes + std::string(16, '#')) << length;
    }
}

}  // namespace
}  // namespace halvora::backup
