#include "snippets/SnippetJson.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace halvora::snippets {
namespace {

std::vector<Snippet> assortedSnippets() {
    Snippet everything;
    everything.trigger = ";\"q\\\"";
    everything.title = "Tab\tnew\nline\r\b\f\x01\x1f\x7f/slash";
    everything.text = "Dạ em chào anh 😀 {ten_khach}\u2028";
    everything.imageFilename = "A.png";
    everything.hotkeySlot = -9007199254740993;
    everything.qrMemo = "";
    everything.dynamicQR = false;
    everything.quickReply = true;
    Snippet minimal;
    minimal.title = "";
    Snippet some;
    some.hotkeySlot = 0;
    some.dynamicQR = true;
    return {everything, minimal, some};
}

TEST(SnippetJsonTest, FileEncodingIsTheCompactDumpOfTheJsonForm) {
    const std::vector<Snippet> snippets = assortedSnippets();
    EXPECT_EQ(encodeSnippetsFile(snippets), toJson(snippets).dump());
    EXPECT_EQ(encodeSnippetsFile({}), "[]");
    EXPECT_EQ(decodeSnippetsFile(encodeSnippetsFile(snippets)), snippets);
}

TEST(SnippetJsonTest, MalformedUtf8IsWrittenAsReplacementCharacters) {
    Snippet snippet;
    snippet.text = std::string(
        "a\xff"
        "b\xe1\xba"
        "c\xed\xa0\x80"
        "d");  // stray byte, cut sequence, surrogate
    const std::string bytes = encodeSnippetsFile({snippet});
    const std::vector<Snippet> decoded = decodeSnippetsFile(bytes);
    ASSERT_EQ(decoded.size(), 1u);
    const std::string& text = decoded[0].text;
    EXPECT_TRUE(text.starts_with("a\uFFFDb\uFFFD")) << text;
    EXPECT_TRUE(text.ends_with("\uFFFDd")) << text;
    EXPECT_EQ(text.find('\xff'), std::string::npos);
}

}  // namespace
}  // namespace halvora::snippets
