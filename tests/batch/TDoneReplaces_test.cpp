// SPDX-License-Identifier: GPL-3.0-or-later
// The packed record list: records read back byte for byte whatever their texts hold, file
// names shared between records, and the filter the viewer builds its rows from.
#include "batch/TDoneReplaces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qx {
namespace {

using namespace std::string_literals;
using Rows = std::vector<std::uint32_t>;

TEST(TDoneReplaces, ReadsBackEveryRecordExactlyWithItsNumber) {
    TDoneReplaces records;
    const std::string big(100000, '\xC0');  // a match as long as a whole file
    struct Record {
        std::string found, inserted, file;
    };
    const std::vector<Record> added = {
        {"a", "b", "one.txt"},    {""s, "x\0y"s, "one.txt"},  // an empty found text and a zero byte
        {"\r\n", "\n", ""},                                   // the clipboard has no file name
        {big, "", "sub/two.txt"}, {"c", "d", "one.txt"},      // a file met again after another one
    };
    for (std::size_t i = 0; i < added.size(); ++i)
        EXPECT_EQ(records.AddDoneReplace(added[i].found, added[i].inserted, added[i].file), i);
    ASSERT_EQ(records.Count(), added.size());
    for (std::size_t i = 0; i < added.size(); ++i) {
        SCOPED_TRACE(i);
        const TDoneReplace item = records.Item(i);
        EXPECT_EQ(item.Found, added[i].found);
        EXPECT_EQ(item.Inserted, added[i].inserted);
        EXPECT_EQ(item.FileName, added[i].file);
        EXPECT_EQ(item.Number, static_cast<int>(i + 1));
    }
    // One copy per file name, however many records name it.
    EXPECT_EQ(records.FileName(0).data(), records.FileName(4).data());

    records.Clear();
    EXPECT_TRUE(records.Empty());
    EXPECT_TRUE(records.Matching("a").empty());
    records.AddDoneReplace("e", "f", "three.txt");
    EXPECT_EQ(records.Item(0).Found, "e");
    EXPECT_EQ(records.Item(0).FileName, "three.txt");
    EXPECT_EQ(records.Item(0).Number, 1);
}

TEST(TDoneReplaces, MatchingLooksInAllThreeTextsWithoutRegardToCase) {
    TDoneReplaces records;
    records.AddDoneReplace("\xCC\xE0\xEC\xE0", "mother", "a.txt");  // "Мама"
    records.AddDoneReplace("line\r\nbreak", "x", "b.txt");
    records.AddDoneReplace("unix\nbreak", "y", "c.txt");
    records.AddDoneReplace("z", "\xF1\xEB\xEE\xE2\xEE", "d.txt");     // "слово"
    records.AddDoneReplace("q", "r", "Folder/\xD4\xE0\xE9\xEB.txt");  // "Файл"
    records.AddDoneReplace("q", "r", "");

    struct Row {
        std::string needle;
        Rows expected;
    } const table[] = {
        {"", {0, 1, 2, 3, 4, 5}},
        {"\xEC\xC0\xCC", {0}},          // "мАМ": Cyrillic case folded, in the found text
        {"MOTHER", {0}},                // in the inserted text
        {"\xD1\xCB\xCE\xC2\xCE", {3}},  // "СЛОВО"
        {"\r\n", {1}},                  // a CR LF pair, not a bare line feed
        {"\n", {1, 2}},
        {"break", {1, 2}},
        {"\xF4\xE0\xE9\xEB", {4}},  // "файл": in the file name only
        {".TXT", {0, 1, 2, 3, 4}},  // every named file, not the clipboard's record
        {"folder/", {4}},
        {"motherland", {}},  // longer than any text that holds its start
        {"absent", {}},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.needle);
        EXPECT_EQ(records.Matching(row.needle), row.expected);
    }
}

}  // namespace
}  // namespace qx
