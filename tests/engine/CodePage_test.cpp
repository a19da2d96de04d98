// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CodePage.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <utility>

namespace qx {
namespace {

// Those this processor has are compared; the others decode with the widest it has.
constexpr VectorWidth kEveryWidth[] = {VectorWidth::kNone, VectorWidth::kSixteen,
                                       VectorWidth::kSixtyFour};

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

TEST(CodePage, LongMixedTextsDecodeAsTheirCharacters) {
    // Latin and Cyrillic words of every length, a character the code page lacks and, at the end,
    // a broken sequence: tens of kilobytes, so that the decoder's piece of memory fills inside
    // Cyrillic runs and ASCII runs alike, whatever the shift at the start.
    const std::pair<std::string_view, std::string_view> units[] = {
        {"a", "a"},
        {"\xD0\xB6", "\xE6"},  // ж
        {" ", " "},
        {"word ", "word "},
        {"\xD0\xBC\xD0\xB8\xD1\x80 ", "\xEC\xE8\xF0 "},  // мир
        {"\xE2\x84\x96", "\xB9"},                        // №
        {"abcdefghijk", "abcdefghijk"},
        {"\xD0\x81", "\xA8"},  // Ё
        {"\xC4\x80", "?"},     // Ā, which the code page lacks
        // The ends of А-я, their neighbours and other languages' letters; ѐ and ѣ are not in the
        // code page.
        {"\xD0\x90\xD0\xBF\xD1\x80\xD1\x8F\xD1\x91", "\xC0\xEF\xF0\xFF\xB8"},    // Апряё
        {"\xD0\x82\xD1\x92", "\x80\x90"},                                        // Ђђ
        {"\xD1\x90", "?"},                                                       // ѐ
        {"\xD1\xA3", "?"},                                                       // ѣ
        {"\xD1\x99\xD1\x83\xD0\xB1\xD0\xB0\xD0\xB2 ", "\x9A\xF3\xE1\xE0\xE2 "},  // љубав
        {"\xD0\xBD\xD0\xBE\xD1\x87\xD1\x8C", "\xED\xEE\xF7\xFC"},                // ночь
    };
    for (std::size_t shift = 0; shift < 9; ++shift) {
        SCOPED_TRACE(shift);
        std::string utf8(shift, 'x');
        std::string expected(shift, 'x');
        std::minstd_rand pick(7);
        while (utf8.size() < 40000) {
            const auto& [from, to] = units[pick() % std::size(units)];
            utf8 += from;
            expected += to;
        }
        for (const VectorWidth widest : kEveryWidth) {
            SCOPED_TRACE(static_cast<int>(widest));
            std::string decoded;
            bool lossless = true;
            EXPECT_TRUE(Utf8ToCp1251Into(utf8, decoded, &lossless, widest));
            EXPECT_TRUE(decoded == expected);
            EXPECT_FALSE(lossless);
            EXPECT_FALSE(Utf8ToCp1251Into(utf8 + "\xD0", decoded, nullptr, widest));
        }
        EXPECT_TRUE(Utf8ToCp1251Lenient(utf8 + "\xD0") == expected + "?");
        // Appended after what a buffer holds, decoded in place where it has the room.
        for (const std::size_t spare : {std::size_t{0}, utf8.size() + 64}) {
            std::string held = "kept";
            held.reserve(held.size() + spare);
            EXPECT_TRUE(Utf8ToCp1251Append(utf8, held));
            EXPECT_TRUE(held == "kept" + expected);
        }
    }
}

TEST(CodePage, InvalidUtf8IsRejected) {
    // Alone, and inside Cyrillic words long enough to be decoded many bytes at a time.
    std::string words;
    for (int i = 0; i < 4; ++i)
        words += "\xD0\xBC\xD0\xB8\xD1\x80 word \xD0\xB4\xD0\xBE\xD0\xBC ";  // мир word дом
    for (const std::string_view bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                                       "\xF4\x90\x80\x80", "\xD0", "\x80", "\xFF", "\xD0\xD0\xB6",
                                       "\xD1"
                                       "a"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(Utf8ToCp1251(bad).has_value());
        std::string decoded;
        for (const VectorWidth widest : kEveryWidth) {
            for (std::size_t shift = 0; shift < 64; ++shift) {
                EXPECT_FALSE(Utf8ToCp1251Into(words.substr(shift) + std::string(bad) + words,
                                              decoded, nullptr, widest));
            }
        }
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
