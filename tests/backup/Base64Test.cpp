#include "backup/Base64.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace halvora::backup
