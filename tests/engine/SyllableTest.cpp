#include "engine/VietnameseSyllable.h"

#include <gtest/gtest.h>

#include <string>

namespace halvora::engine {
namespace {

TEST(VietnameseSyllableTest, OnsetAndCodaTablesHaveTheirSizes) {
    EXPECT_EQ(VietnameseSyllable::onsets().size(), 29u);
    EXPECT_EQ(VietnameseSyllable::codas().size(), 9u);
    EXPECT_TRUE(VietnameseSyllable::onsets().contains(U"ngh"));
    EXPECT_TRUE(VietnameseSyllable::onsets().contains(U"đ"));
    EXPECT_FALSE(VietnameseSyllable::codas().contains(U"st"));
}

TEST(VietnameseSyllableTest, IsValid) {
    const std::pair<std::string, bool> cases[] = {
        {"việt", true},   {"trường", true},  {"xoong", true}, {"ngoèo", true}, {"tét", true},
        {"ý", true},      {"Việt", true},    {"NGƯỜI", true}, {"gì", true},    {"quý", true},
        {"khuỷu", true},  {"đ", false},      {"", false},     {"wìi", false},  {"test", false},
        {"tenas", false}, {"ngoeoa", false}, {"fã", false},   {"bcd", false},  {"thưo", true},
        {"khoảng", true}, {"nghiêng", true}, {"tr", false},   {"ans", false},  {"ăn", true},
    };
    for (const auto& [word, valid] : cases) {
        EXPECT_EQ(VietnameseSyllable::isValid(word), valid) << word;
    }
}

TEST(VietnameseSyllableTest, HasInterruptedVowels) {
    const std::pair<std::string, bool> cases[] = {
        {"tenas", true}, {"email", true}, {"việt", false}, {"bcd", false}, {"", false},
        {"a", false},    {"oa", false},   {"aba", true},   {"ÉNA", true},  {"nghiêng", false},
    };
    for (const auto& [word, interrupted] : cases) {
        EXPECT_EQ(VietnameseSyllable::hasInterruptedVowels(word), interrupted) << word;
    }
}

}  // namespace
}  // namespace halvora::engine
