#include "engine/EnglishWords.h"
#include "engine/VietInputEngine.h"

#include <gtest/gtest.h>

#include <string>

namespace halvora::engine {
namespace {

enum class Tone { old, modern, both };

struct RenderCase {
    bool vni;
    std::string raw;
    Tone tone;
    std::string text;
    bool escaped;
};

void expectRender(const RenderCase& c) {
    for (bool modern : {false, true}) {
        if ((c.tone == Tone::old && modern) || (c.tone == Tone::modern && !modern)) {
            continue;
        }
        SCOPED_TRACE(std::string(c.vni ? "VNI " : "Telex ") + c.raw +
                     (modern ? " modern" : " old"));
        const RenderResult result = VietInputEngine::render(c.raw, c.vni, modern);
        EXPECT_EQ(result.text, c.text);
        EXPECT_EQ(result.escaped, c.escaped);
    }
}

TEST(RenderTest, TelexWorkedExamples) {
    const RenderCase cases[] = {
        {false, "vieetj", Tone::both, "việt", false},
        {false, "tieengs", Tone::both, "tiếng", false},
        {false, "dd", Tone::both, "đ", false},
        {false, "ddd", Tone::both, "dd", true},
        {false, "ass", Tone::both, "as", true},
        {false, "asz", Tone::both, "a", false},
        {false, "az", Tone::both, "az", false},
        {false, "aw", Tone::both, "ă", false},
        {false, "hoaf", Tone::old, "hòa", false},
        {false, "hoaf", Tone::modern, "hoà", false},
        {false, "hoafn", Tone::both, "hoàn", false},
        {false, "khoer", Tone::old, "khỏe", false},
        {false, "khoer", Tone::modern, "khoẻ", false},
        {false, "thuowng", Tone::both, "thương", false},
        {false, "nguowif", Tone::both, "người", false},
        {false, "quowr", Tone::both, "quở", false},
        {false, "giaf", Tone::both, "già", false},
        {false, "email", Tone::both, "email", false},
        {false, "tenas", Tone::both, "tenas", false},
    };
    for (const RenderCase& c : cases) {
        expectRender(c);
    }
}

TEST(RenderTest, VniWorkedExamples) {
    const RenderCase cases[] = {
        {true, "vie65t", Tone::both, "việt", false},
        {true, "vie6t5", Tone::both, "việt", false},
        {true, "d9", Tone::both, "đ", false},
        {true, "d99", Tone::both, "d9", true},
        {true, "thuong7", Tone::both, "thương", false},
        {true, "a8", Tone::both, "ă", false},
        {true, "di9", Tone::both, "đi", false},
        {true, "hoa2", Tone::old, "hòa", false},
        {true, "hoa2", Tone::modern, "hoà", false},
        {true, "nguoi72", Tone::both, "người", false},
        {true, "d9u7o7c5", Tone::both, "được", false},
        {true, "duoc759", Tone::both, "được", false},
        {true, "a11", Tone::both, "a1", true},
        {true, "a10", Tone::both, "a", false},
        {true, "a0", Tone::both, "a0", false},
        {true, "a00", Tone::both, "a00", false},
        {true, "o6", Tone::both, "ô", false},
        {true, "D9A6T5", Tone::both, "ĐẬT", false},
        {true, "quo7", Tone::both, "quơ", false},
        {true, "d", Tone::both, "d", false},
        {true, "s", Tone::both, "s", false},
        {true, "ww", Tone::both, "ww", false},
    };
    for (const RenderCase& c : cases) {
        expectRender(c);
    }
}

TEST(RenderTest, DoublingAndTriplingModifierKeys) {
    const RenderCase cases[] = {
        {false, "dddd", Tone::both, "dđ", true},  {false, "aaaa", Tone::both, "aâ", true},
        {false, "asss", Tone::both, "ás", true},  {false, "aa", Tone::both, "â", false},
        {false, "aaa", Tone::both, "aa", true},   {false, "aww", Tone::both, "aw", true},
        {false, "azz", Tone::both, "azz", false}, {false, "aszz", Tone::both, "az", false},
        {false, "ww", Tone::both, "ww", false},   {false, "did", Tone::both, "did", false},
        {false, "ana", Tone::both, "ana", false}, {false, "asa", Tone::both, "ấ", false},
        {false, "s", Tone::both, "s", false},     {false, "tw", Tone::both, "tw", false},
    };
    for (const RenderCase& c : cases) {
        expectRender(c);
    }
}

TEST(RenderTest, CaseIsKeptAndKeysCompareLowerCased) {
    const RenderCase cases[] = {
        {false, "AA", Tone::both, "Â", false},
        {false, "ASS", Tone::both, "AS", true},
        {false, "Email", Tone::both, "Email", false},
        {false, "EMAIL", Tone::both, "EMAIL", false},
        {false, "DDaf", Tone::both, "Đà", false},
        {false, "Ddaf", Tone::both, "Đà", false},
        {false, "dDaf", Tone::both, "đà", false},
        {false, "NGUWOWIF", Tone::both, "NGƯỜI", false},
        {false, "Tieengs", Tone::both, "Tiếng", false},
        {false, "VIEETJ", Tone::both, "VIỆT", false},
        {false, "HoaF", Tone::old, "Hòa", false},
        {false, "tUOWNG", Tone::both, "tƯƠNG", false},
    };
    for (const RenderCase& c : cases) {
        expectRender(c);
    }
}

TEST(RenderTest, EnglishWordsWinOverTelexUntilTheLastLetter) {
    const RenderCase cases[] = {
        {false, "as", Tone::both, "as", false},
        {false, "is", Tone::both, "is", false},
        {false, "or", Tone::both, "or", false},
        {false, "tes", Tone::both, "té", false},
        {false, "test", Tone::both, "test", false},
        {false, "Password", Tone::both, "Password", false},
        {false, "offer", Tone::both, "offer", false},
        {false, "offe", Tone::both, "ofe", true},
        {true, "as", Tone::both, "as", false},
    };
    for (const RenderCase& c : cases) {
        expectRender(c);
    }
}

TEST(RenderTest, CommonVietnameseWordsInTelex) {
    const RenderCase cases[] = {
        {false, "dduwowcj", Tone::both, "được", false},
        {false, "truwowngf", Tone::both, "trường", false},
        {false, "hoongf", Tone::both, "hồng", false},
        {false, "cuar", Tone::both, "của", false},
        {false, "nhuwngx", Tone::both, "những", false},
        {false, "khoong", Tone::both, "không", false},
        {false, "muaf", Tone::both, "mùa", false},
        {false, "thuyr", Tone::modern, "thuỷ", false},
        {false, "thuyr", Tone::old, "thủy", false},
        {false, "uyeen", Tone::both, "uyên", false},
        {false, "khuyeenr", Tone::both, "khuyển", false},
        {false, "nghieeng", Tone::both, "nghiêng", false},
        {false, "quaan", Tone::both, "quân", false},
        {false, "giuwax", Tone::both, "giữa", false},
        {false, "gioongs", Tone::both, "giống", false},
        {false, "tooi", Tone::both, "tôi", false},
        {false, "bieets", Tone::both, "biết", false},
        {false, "ddi", Tone::both, "đi", false},
        {false, "ngayf", Tone::both, "ngày", false},
        {false, "tuooir", Tone::both, "tuổi", false},
        {false, "mootj", Tone::both, "một", false},
        {false, "chuyeenj", Tone::both, "chuyện", false},
        {false, "cuwowif", Tone::both, "cười", false},
        {false, "thowif", Tone::both, "thời", false},
        {false, "giuwx", Tone::both, "giữ", false},
        {false, "hoangf", Tone::both, "hoàng", false},
        {false, "khoais", Tone::both, "khoái", false},
        {false, "khuyur", Tone::both, "khuỷu", false},
        {false, "quys", Tone::old, "qúy", false},
        {false, "quys", Tone::modern, "quý", false},
        {false, "gif", Tone::both, "gì", false},
        {false, "quaf", Tone::both, "quà", false},
        {false, "xoong", Tone::both, "xông", false},
        {false, "nuwowcs", Tone::both, "nước", false},
        {false, "tuanw", Tone::both, "tuăn", false},
        {false, "thuwo", Tone::both, "thưo", false},
        {false, "thuwong", Tone::both, "thương", false},
        {false, "muwa", Tone::both, "mưa", false},
        {false, "hoasn", Tone::both, "hoán", false},
        {false, "oaf", Tone::old, "òa", false},
        {false, "oaf", Tone::modern, "oà", false},
        {false, "hoaxng", Tone::both, "hoãng", false},
        // A tone typed early moves when later letters change the vowel group.
        {false, "tiesen", Tone::both, "tiến", false},
        {false, "toafn", Tone::both, "toàn", false},
        {false, "vieejt", Tone::both, "việt", false},
        {false, "nguowfi", Tone::both, "người", false},
        {false, "hofa", Tone::old, "hòa", false},
        {false, "hofa", Tone::modern, "hoà", false},
    };
    for (const RenderCase& c : cases) {
        expectRender(c);
    }
}

TEST(RenderTest, InterruptedVowelsShowTheRawKeystrokes) {
    const RenderCase cases[] = {
        {false, "tenas", Tone::both, "tenas", false},
        {false, "banana", Tone::both, "banana", false},
        {false, "canas", Tone::both, "canas", false},
        {true, "te1na", Tone::both, "te1na", false},
    };
    for (const RenderCase& c : cases) {
        expectRender(c);
    }
}

TEST(EnglishWordsTest, HoldsTheListedWordsOnly) {
    EXPECT_EQ(englishWords().size(), 147u);
    for (std::u32string_view word : {U"address", U"your", U"Settings", U"TOMORROW", U"as"}) {
        EXPECT_TRUE(isEnglishWord(word));
    }
    for (std::u32string_view word : {U"", U"a", U"asdf", U"emails", U"\u0130s", U"a\u0301s"}) {
        EXPECT_FALSE(isEnglishWord(word));
    }
}

}  // namespace
}  // namespace halvora::engine
