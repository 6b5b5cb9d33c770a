#include "engine/VietInputEngine.h"
#include "engine/VowelMap.h"
#include "text/Unicode.h"

#include <gtest/gtest.h>

namespace halvora::engine {
namespace {

TEST(VowelMapTest, TableRowsAreTwelveVowelsWithSixDistinctForms) {
    std::u32string seen;
    for (const auto& row : VowelMap::rows()) {
        for (int tone = 0; tone < kToneCount; ++tone) {
            EXPECT_EQ(seen.find(row[tone]), std::u32string::npos) << "duplicate form";
            seen.push_back(row[tone]);
            EXPECT_EQ(VowelMap::toneIndex(row[tone]), tone);
            EXPECT_EQ(VowelMap::base(row[tone]), row[0]);
        }
    }
    EXPECT_EQ(seen.size(), 72u);
}

// The upper-case forms are spelled out in the table; they must be what the
// Unicode case mapping gives.
TEST(VowelMapTest, UpperCaseFormsAreTheUnicodeUpperCaseOfEachForm) {
    for (std::size_t r = 0; r < VowelMap::rows().size(); ++r) {
        for (int tone = 0; tone < kToneCount; ++tone) {
            const char32_t lower = VowelMap::rows()[r][tone];
            const char32_t upper = text::upperChar(lower);
            EXPECT_EQ(VowelMap::detail::kUpperRows[r][tone], upper);
            EXPECT_EQ(VowelMap::copyCase(lower, U'X'), upper);
            EXPECT_EQ(VowelMap::toneIndex(upper), tone);
            EXPECT_EQ(VowelMap::base(upper), VowelMap::rows()[r][0]);
        }
    }
}

TEST(VowelMapTest, WithToneKeepsCaseAndLeavesNonVowelsAlone) {
    struct Case {
        char32_t in;
        int tone;
        char32_t out;
    };
    const Case cases[] = {
        {U'a', 1, U'á'}, {U'A', 2, U'À'}, {U'ế', 0, U'ê'}, {U'Ữ', 5, U'Ự'}, {U'y', 4, U'ỹ'},
        {U'Ý', 0, U'Y'}, {U'd', 3, U'd'}, {U'đ', 1, U'đ'}, {U'7', 2, U'7'}, {U'ơ', 3, U'ở'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(text::toUtf8(std::u32string(1, c.in)));
        EXPECT_EQ(VowelMap::withTone(c.in, c.tone), c.out);
    }
}

TEST(VowelMapTest, BaseKeepsShapeAndLowersEverythingElse) {
    const std::pair<char32_t, char32_t> cases[] = {
        {U'ấ', U'â'}, {U'Ắ', U'ă'}, {U'Ợ', U'ơ'}, {U'á', U'a'},
        {U'D', U'd'}, {U'đ', U'đ'}, {U'Đ', U'đ'}, {U'5', U'5'},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(VowelMap::base(in), out);
    }
}

TEST(VowelMapTest, CopyCaseTreatsCaselessSourceAsUpperCase) {
    EXPECT_EQ(VowelMap::copyCase(U'đ', U'D'), U'Đ');
    EXPECT_EQ(VowelMap::copyCase(U'đ', U'd'), U'đ');
    EXPECT_EQ(VowelMap::copyCase(U'â', U'1'), U'Â');
    EXPECT_EQ(VowelMap::copyCase(U'Â', U'a'), U'Â')
        << "a lower-case source leaves the target as it is";
}

TEST(VowelMapTest, WithShapeTakesCaseAndToneOfTheLikeCharacter) {
    EXPECT_EQ(VowelMap::withShape(U'ơ', U'Ó'), U'Ớ');
    EXPECT_EQ(VowelMap::withShape(U'â', U'ạ'), U'ậ');
    EXPECT_EQ(VowelMap::withShape(U'ư', U'u'), U'ư');
    EXPECT_EQ(VowelMap::withShape(U'ê', U'x'), U'ê') << "a non-vowel gives tone 0";
}

TEST(VowelMapTest, ShapedVowelsAreTheSixMarkedRows) {
    for (char32_t c : std::u32string(U"ăâêôơưẮẦỆỘỞỪ")) {
        EXPECT_TRUE(VowelMap::isShaped(c));
    }
    for (char32_t c : std::u32string(U"aeiouyÁÈÍÒÙỲdđ")) {
        EXPECT_FALSE(VowelMap::isShaped(c));
    }
    EXPECT_TRUE(VowelMap::isVowel(U'Y'));
    EXPECT_FALSE(VowelMap::isVowel(U'đ'));
}

TEST(VowelMapTest, ShapeNamesRoundTrip) {
    for (Shape shape : {Shape::circumflex, Shape::horn, Shape::breve, Shape::hornOrBreve}) {
        EXPECT_EQ(shapeFromName(shapeName(shape)), shape);
    }
    EXPECT_FALSE(shapeFromName("hook").has_value());
}

struct ToneCase {
    std::u32string word;
    int tone;
    bool modern;
    std::u32string expected;
};

TEST(ApplyToneTest, PlacementRules) {
    const ToneCase cases[] = {
        // A shaped vowel carries the tone, the last one when there are two.
        {U"tiêng", 1, false, U"tiếng"},
        {U"ngươi", 2, true, U"người"},
        {U"quơ", 3, false, U"quở"},
        {U"thuơ", 3, false, U"thuở"},
        // oa, oe, uy: old rule on the first vowel only without a final consonant.
        {U"hoa", 2, false, U"hòa"},
        {U"hoa", 2, true, U"hoà"},
        {U"khoe", 3, false, U"khỏe"},
        {U"khoe", 3, true, U"khoẻ"},
        {U"thuy", 2, false, U"thùy"},
        {U"thuy", 2, true, U"thuỳ"},
        {U"hoan", 2, false, U"hoàn"},
        {U"khoang", 3, false, U"khoảng"},
        {U"huynh", 2, false, U"huỳnh"},
        {U"HOA", 2, false, U"HÒA"},
        // gi and qu belong to the onset when another vowel follows.
        {U"gia", 2, false, U"già"},
        {U"gi", 2, false, U"gì"},
        {U"gi", 3, true, U"gỉ"},
        {U"qua", 2, false, U"quà"},
        {U"qua", 1, true, U"quá"},
        {U"quy", 1, false, U"qúy"},
        {U"quy", 1, true, U"quý"},
        {U"Gia", 2, true, U"Già"},
        // Three vowels: the middle one.
        {U"khoai", 1, false, U"khoái"},
        {U"khuyu", 3, false, U"khuỷu"},
        // Otherwise the first vowel.
        {U"mua", 2, false, U"mùa"},
        {U"tui", 1, true, U"túi"},
        {U"cai", 1, true, U"cái"},
        {U"ao", 1, true, U"áo"},
        // Four vowels are no syllable; they take the general rule.
        {U"ngoeoa", 1, true, U"ngóeoa"},
        // Every tone is cleared first, so two tones end as one.
        {U"hóà", 3, true, U"hoả"},
        {U"việt", 0, true, U"viêt"},
    };
    for (const ToneCase& c : cases) {
        SCOPED_TRACE(text::toUtf8(c.word) + " tone " + std::to_string(c.tone) +
                     (c.modern ? " modern" : " old"));
        std::u32string word = c.word;
        EXPECT_TRUE(VietInputEngine::applyTone(word, c.tone, c.modern));
        EXPECT_EQ(text::toUtf8(word), text::toUtf8(c.expected));
    }
}

TEST(ApplyToneTest, WordWithoutVowelIsLeftAlone) {
    std::u32string word = U"nhtr";
    EXPECT_FALSE(VietInputEngine::applyTone(word, 1, true));
    EXPECT_EQ(word, U"nhtr");
    std::u32string empty;
    EXPECT_FALSE(VietInputEngine::applyTone(empty, 2, false));
}

struct ShapeCase {
    std::u32string word;
    Shape shape;
    bool changed;
    std::u32string expected;
};

TEST(ShapeLastVowelTest, Table) {
    const ShapeCase cases[] = {
        {U"a", Shape::circumflex, true, U"â"},
        {U"á", Shape::circumflex, true, U"ấ"},
        {U"Ó", Shape::horn, true, U"Ớ"},
        {U"aâ", Shape::circumflex, true, U"ââ"},
        {U"tuan", Shape::hornOrBreve, true, U"tuăn"},
        {U"thuong", Shape::hornOrBreve, true, U"thương"},
        {U"thuong", Shape::horn, true, U"thương"},
        {U"quo", Shape::hornOrBreve, true, U"quơ"},
        {U"THUONG", Shape::horn, true, U"THƯƠNG"},
        {U"túo", Shape::horn, true, U"tứơ"},
        {U"u", Shape::hornOrBreve, true, U"ư"},
        {U"tô", Shape::circumflex, false, U"tô"},
        {U"ou", Shape::breve, false, U"ou"},
        {U"xyz", Shape::hornOrBreve, false, U"xyz"},
        {U"ê", Shape::horn, false, U"ê"},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(text::toUtf8(c.word) + " " + std::string(shapeName(c.shape)));
        std::u32string word = c.word;
        EXPECT_EQ(VietInputEngine::shapeLastVowel(word, c.shape), c.changed);
        EXPECT_EQ(text::toUtf8(word), text::toUtf8(c.expected));
    }
}

TEST(ShapeLastVowelTest, ByName) {
    std::u32string word = U"a";
    EXPECT_TRUE(VietInputEngine::shapeLastVowel(word, "breve"));
    EXPECT_EQ(word, U"ă");
    word = U"ao";
    EXPECT_FALSE(VietInputEngine::shapeLastVowel(word, "hook"));
    EXPECT_EQ(word, U"ao");
}

}  // namespace
}  // namespace halvora::engine
