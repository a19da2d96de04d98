// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Encoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace qx {
namespace {

using namespace std::string_literals;

TEST(IsUtf8Text, Table) {
    struct Row {
        std::string text;
        bool option;
        bool utf8, hasBom;
    };
    const Row rows[] = {
        {"\xEF\xBB\xBF"
         "abc",
         false, true, true},
        {"\xEF\xBB\xBF", false, true, true},  // the mark alone
        {"\xEF\xBB\xBF", true, true, true},
        {"\xEF\xBBx", false, false, false},       // two bytes of a mark are no mark
        {"abc\xEF\xBB\xBF", false, true, false},  // further on it is U+FEFF, not a mark
        {"\xC6"
         "abc\xEF\xBB\xBF",
         false, false, false},
        {"plain", true, true, false},  // the option makes every text UTF-8
        {"", true, true, false},
        {"", false, false, false},
        {"plain", false, false, false},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>", false, true, false},
        {"\r\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a/>", false, true, false},
        {" \t\r\n<?XmL encoding='utf-8'?>", false, true, false},
        {"\r\n<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<a/>", false, false, false},
        {"<?xml version=\"1.0\" encoding=\"utf8\"?>", false, false, false},
        {"<?xml version=\"1.0\"?><!-- utf-8 -->", false, false, false},      // after the first ">"
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?", false, false, false},  // no ">" at all
        {"<?xml", false, false, false},
        {"<?xm", false, false, false},
        {"x<?xml encoding=\"utf-8\"?>", false, false, false},   // not at the start
        {"\v<?xml encoding=\"utf-8\"?>", false, false, false},  // only tab, LF, CR, space skip
        {"\0<?xml encoding=\"utf-8\"?>"s, false, false, false},
        // Without mark or declaration the bytes decide: valid UTF-8 with a multi-byte sequence.
        {"\xD0\x96\xD1\x83\xD0\xBA", false, true, false},                // "Жук" in UTF-8
        {"\xC6\xF3\xEA", false, false, false},                           // "Жук" in windows-1251
        {"a\xF0\x9F\x98\x80", false, true, false},                       // four bytes
        {"\xD0\x96\xD1", false, false, false},                           // cut short
        {"\xC0\x80", false, false, false},                               // overlong
        {"\xED\xA0\x80", false, false, false},                           // a surrogate
        {"<?xml version=\"1.0\"?><a>\xD0\x96</a>", false, true, false},  // no encoding named
        {"<?xml encoding=\"windows-1251\"?><a>\xD0\x96</a>", false, false, false},
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?>\xC6", false, true, false},  // declared
        // White space alone: the skip stops on the last character and reads no further.
        {" ", false, false, false},
        {"\r\n\t ", false, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.text) + (row.option ? " option on" : ""));
        const Utf8Answer answer = IsUtf8Text(row.text, row.option);
        EXPECT_EQ(answer.utf8, row.utf8);
        EXPECT_EQ(answer.hasBom, row.hasBom);
    }
}

TEST(IsUtf8Text, LooksNoFurtherThanTheText) {
    // A view into a longer buffer: the declaration beyond the view's end must not count.
    const std::string buffer = "   <?xml encoding=\"utf-8\"?>";
    EXPECT_FALSE(IsUtf8Text(std::string_view(buffer).substr(0, 3), false).utf8);
    EXPECT_FALSE(IsUtf8Text(std::string_view(buffer).substr(0, 20), false).utf8);
    // A ">" beyond the view's end closes nothing.
    EXPECT_FALSE(IsUtf8Text(std::string_view(buffer).substr(0, buffer.size() - 1), false).utf8);
    EXPECT_TRUE(IsUtf8Text(buffer, false).utf8);
}

TEST(DecodeToWorking, Table) {
    struct Row {
        std::string bytes;
        Utf8Answer answer;
        std::optional<std::string> expected;
        bool lossless;
    };
    const Row rows[] = {
        // "Жук" in UTF-8, with and without the mark.
        {"\xEF\xBB\xBF\xD0\x96\xD1\x83\xD0\xBA", {true, true}, "\xC6\xF3\xEA", true},
        {"\xD0\x96\xD1\x83\xD0\xBA", {true, false}, "\xC6\xF3\xEA", true},
        {"\xEF\xBB\xBF", {true, true}, "", true},
        // windows-1251 Cyrillic is not valid UTF-8.
        {"\xC6\xF3\xEA", {true, false}, std::nullopt, false},
        {"\xEF\xBB\xBF\xC6", {true, true}, std::nullopt, false},
        // A character outside windows-1251 becomes "?" and is reported.
        {"a\xE4\xB8\xAD"
         "b",
         {true, false},
         "a?b",
         false},
        // windows-1251 bytes stay as they are, zero bytes and all.
        {"\xC6\0\xEF\xBB\xBF"s, {false, false}, "\xC6\0\xEF\xBB\xBF"s, true},
        {"a\0b"s, {true, false}, "a\0b"s, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.bytes));
        bool lossless = !row.lossless;
        EXPECT_EQ(DecodeToWorking(row.bytes, row.answer, &lossless), row.expected);
        if (row.expected) {
            EXPECT_EQ(lossless, row.lossless);
        }
    }
}

TEST(DecodeFileText, AgreesWithDetectionThenDecoding) {
    // The one pass must give what IsUtf8Text and DecodeToWorking give, for short texts of every
    // kind and for long ones whose decisive byte lies beyond the first pieces; one buffer serves
    // them all, as it serves the files of a run.
    const std::string cyrillic = "\xD0\x96\xD1\x83\xD0\xBA ";  // "Жук " in UTF-8
    std::string longUtf8;
    while (longUtf8.size() < 70000) longUtf8 += cyrillic + "abc defgh ";
    const std::string ascii(40000, 'a');
    const std::vector<std::string> texts = {
        "",
        "plain",
        "\xEF\xBB\xBF",
        "\xEF\xBB\xBF"
        "abc",
        "\xEF\xBB\xBF\xC6",
        "\xEF\xBBx",
        "\xD0\x96\xD1\x83\xD0\xBA",
        "\xC6\xF3\xEA",
        "\xD0\x96\xD1",
        "\xC0\x80",
        "\xED\xA0\x80",
        "a\xE4\xB8\xAD"
        "b",
        "a\xF0\x9F\x98\x80",
        "a\0b"s,
        "\xC6\0\xEF\xBB\xBF"s,
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\xC6",
        "<?xml encoding=\"windows-1251\"?><a>\xD0\x96</a>",
        "<?xml version=\"1.0\"?><a>\xD0\x96</a>",
        longUtf8,
        longUtf8 + "\xC6",
        "\xEF\xBB\xBF" + longUtf8 + "\xE4\xB8\xAD",
        ascii,
        ascii + "\xC6\xF3\xEA",
        ascii + cyrillic,
        ascii + "\xD0",
    };
    std::string decoded;
    for (const std::string& text : texts) {
        for (const bool option : {false, true}) {
            SCOPED_TRACE(testing::PrintToString(text.substr(0, 60)) + " of " +
                         std::to_string(text.size()) + (option ? ", option on" : ""));
            const Utf8Answer answer = IsUtf8Text(text, option);
            bool lossless = false;
            const std::optional<std::string> expected = DecodeToWorking(text, answer, &lossless);
            const WorkingText working = DecodeFileText(text, option, decoded);
            EXPECT_EQ(working.answer.utf8, answer.utf8);
            EXPECT_EQ(working.answer.hasBom, answer.hasBom);
            EXPECT_EQ(working.decodable, expected.has_value());
            if (!expected) continue;
            EXPECT_EQ(working.lossless, lossless);
            EXPECT_EQ(answer.utf8 ? decoded : text, *expected);
        }
    }
}

TEST(EncodeFromWorking, RoundTripsInTheFilesOwnEncoding) {
    const std::string samples[] = {
        "\xEF\xBB\xBF\xD0\x96\xD1\x83\xD0\xBA\r\n",
        "\xD0\x96\xD1\x83\xD0\xBA",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><a>\xD0\x81</a>",
        "\xC6\xF3\xEA \x98\0\xFF"s,
        "",
    };
    for (const auto& bytes : samples) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        const Utf8Answer answer = IsUtf8Text(bytes, false);
        const auto text = DecodeToWorking(bytes, answer);
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(EncodeFromWorking(*text, answer), bytes);
    }
}

TEST(EncodeFromWorking, MarkOnlyWhenTheOriginalHadOne) {
    EXPECT_EQ(EncodeFromWorking("\xC6", {true, true}), "\xEF\xBB\xBF\xD0\x96");
    EXPECT_EQ(EncodeFromWorking("\xC6", {true, false}), "\xD0\x96");
    EXPECT_EQ(EncodeFromWorking("\xC6", {false, false}), "\xC6");
    EXPECT_EQ(EncodeFromWorking("", {true, true}), "\xEF\xBB\xBF");
}

}  // namespace
}  // namespace qx
