// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CodePage.h"

#include <gtest/gtest.h>

namespace qx {
namespace {

TEST(CodePage, LowerCaseCoversLatinAndEveryCyrillicCapital) {
    // А-Я, Ё, Ђ Ѓ Є Ѕ І Ї Ј Љ Њ Ћ Ќ Ў Џ Ґ and A-Z.
    std::string capitals;
    for (int c = 0xC0; c <= 0xDF; ++c) capitals.push_back(static_cast<char>(c));
    capitals += "\xA8\x80\x81\xAA\xBD\xB2\xAF\xA3\x8A\x8C\x8E\x8D\xA1\x8F\xA5";
    capitals += "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string smalls;
    for (int c = 0xE0; c <= 0xFF; ++c) smalls.push_back(static_cast<char>(c));
    smalls += "\xB8\x90\x83\xBA\xBE\xB3\xBF\xBC\x9A\x9C\x9E\x9D\xA2\x9F\xB4";
    smalls += "abcdefghijklmnopqrstuvwxyz";
    EXPECT_EQ(LowerCase(capitals), smalls);
    EXPECT_EQ(LowerCase(smalls), smalls);
    // Everything else stays, zero byte included.
    const std::string others("\x00\x01 09[]\x82\x98\xA0\xB9", 10);
    EXPECT_EQ(LowerCase(others), others);
}

TEST(CodePage, EveryByteSurvivesUtf8AndUtf16RoundTrips) {
    std::string all;
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
    bool lossless = false;
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all), &lossless), all);
    EXPECT_TRUE(lossless);
    EXPECT_EQ(Utf16ToCp1251(Cp1251ToUtf16(all), &lossless), all);
    EXPECT_TRUE(lossless);
}

TEST(CodePage, MissingCharactersBecomeQuestionMarks) {
    bool lossless = true;
    // "a" + U+4E2D (a Chinese character) + U+1F600 (outside the BMP) + "\xD0\xB6" (ж).
    EXPECT_EQ(Utf8ToCp1251("a\xE4\xB8\xAD\xF0\x9F\x98\x80\xD0\xB6", &lossless), "a??\xE6");
    EXPECT_FALSE(lossless);
    EXPECT_EQ(Utf16ToCp1251(u"x\u4E2D\U0001F600", &lossless), "x??");
    EXPECT_FALSE(lossless);
}

TEST(CodePage, InvalidUtf8IsRejected) {
    for (const char* bad :
         {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xD0", "\x80", "\xFF"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(Utf8ToCp1251(bad).has_value());
    }
    EXPECT_EQ(Utf8ToCp1251Lenient("a\xFF"), "a?");
}

TEST(CodePage, CaseInsensitiveSearch) {
    EXPECT_EQ(FindIgnoreCase("xx\xC0\xC1z", "\xE0\xE1"), 2u);
    EXPECT_EQ(FindIgnoreCase("abc", "C", 1), 2u);
    EXPECT_EQ(FindIgnoreCase("abc", "d"), std::string_view::npos);
    EXPECT_TRUE(EqualsIgnoreCase("\xA8Z", "\xB8z"));
}

}  // namespace
}  // namespace qx
