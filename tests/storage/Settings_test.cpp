// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/Settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "storage/DelimitedText.h"
#include "tests/support/TempFolder.h"

namespace qx {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using Names = std::vector<std::string>;

class RecordingMessages : public Messages {
public:
    void Show(std::string_view text, std::string_view caption, Icon icon) override {
        shown.push_back(std::string(caption) + "|" + std::string(text));
        lastIcon = icon;
    }
    bool Ask(std::string_view, std::string_view) override { return false; }
    Names shown;
    Icon lastIcon = Icon::Information;
};

// The state a window has after the user moved things about, to tell "kept" from "fallback".
TSettings Moved() {
    TSettings s;
    s.left = 1;
    s.top = 2;
    s.width = 3;
    s.height = 4;
    s.replacesColumn1 = 5;
    s.replacesColumn2 = 6;
    s.replacesColumn3 = 7;
    s.filesColumn1 = 8;
    s.maskWidth = 9;
    s.replacesHeight = 10;
    s.filesFolder = "/kept";
    s.curMask = "*.kept";
    s.replacesCheckedOnly = true;
    s.filter = "kept";
    s.replacesFilter = "kept";
    s.ignoreCase = false;
    s.utf8 = true;
    s.backupFiles = false;
    return s;
}

class SettingsFileTest : public ::testing::Test {
protected:
    SettingsLoadResult Load(std::string_view content, TSettings& settings) {
        tmp.Write("Settings.xml", content);
        return LoadSettings(file, settings, messages);
    }
    TempFolder tmp;
    fs::path file = tmp.path() / "Settings.xml";
    RecordingMessages messages;
};

TEST_F(SettingsFileTest, WithoutFileTheWindowKeepsItsInitialState) {
    TSettings settings;
    const SettingsLoadResult result = LoadSettings(file, settings, messages);
    EXPECT_EQ(result.status, SettingsStatus::NoFile);
    EXPECT_FALSE(result.scanFolder);
    EXPECT_EQ(settings.left, 409);
    EXPECT_EQ(settings.top, 123);
    EXPECT_EQ(settings.width, 800);
    EXPECT_EQ(settings.height, 639);
    EXPECT_EQ(settings.filesColumn1, 700);
    EXPECT_EQ(settings.maskWidth, 137);
    EXPECT_EQ(settings.replacesHeight, 257);
    EXPECT_EQ(settings.curMask, "*.*");
    EXPECT_TRUE(settings.ignoreCase);
    EXPECT_FALSE(settings.utf8);
    EXPECT_TRUE(settings.backupFiles);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsFileTest, MissingElementsTakeTheFallbacks) {
    // A root without children, and a file that is not XML at all, read the same way.
    for (const char* content : {"<Settings/>", "<Settings><Left>1</Settings>", "\x01garbage"}) {
        SCOPED_TRACE(content);
        TSettings settings = Moved();
        const SettingsLoadResult result = Load(content, settings);
        EXPECT_EQ(result.status, SettingsStatus::Loaded);
        EXPECT_FALSE(result.scanFolder);
        // Bounds fall back to the window's current values, everything else to the table.
        EXPECT_EQ(settings.left, 1);
        EXPECT_EQ(settings.height, 4);
        EXPECT_EQ(settings.replacesColumn1, 225);
        EXPECT_EQ(settings.replacesColumn2, 220);
        EXPECT_EQ(settings.replacesColumn3, 200);
        EXPECT_EQ(settings.filesColumn1, 600);
        EXPECT_EQ(settings.maskWidth, 120);
        EXPECT_EQ(settings.replacesHeight, 250);
        EXPECT_EQ(settings.curMask, "*.*");
        EXPECT_EQ(settings.filesFolder, "");
        EXPECT_EQ(settings.filter, "");
        EXPECT_EQ(settings.replacesFilter, "");
        EXPECT_FALSE(settings.replacesCheckedOnly);
        EXPECT_TRUE(settings.ignoreCase);
        EXPECT_FALSE(settings.utf8);
        EXPECT_TRUE(settings.backupFiles);
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(SettingsFileTest, BadNumberStopsLoadingWithTheDamagedMessage) {
    TSettings settings = Moved();
    const SettingsLoadResult result = Load(
        "<Settings><Masks>*.md</Masks><Folders>/a\t</Folders><Left>50</Left><Top>60</Top>"
        "<Width>wide</Width><Height>70</Height><Replaces_Column1>11</Replaces_Column1>"
        "<FilesFolder>/a</FilesFolder><CurMask></CurMask></Settings>",
        settings);
    EXPECT_EQ(result.status, SettingsStatus::Damaged);
    EXPECT_FALSE(result.scanFolder);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0],
              "Внимание|Файл Settings.xml поврежден. Часть настроек загрузить\r\nне удалось.");
    EXPECT_EQ(messages.lastIcon, Messages::Icon::Warning);
    // Not even the good bounds are taken, and nothing after them.
    const TSettings kept = Moved();
    EXPECT_EQ(settings.left, kept.left);
    EXPECT_EQ(settings.top, kept.top);
    EXPECT_EQ(settings.replacesColumn1, kept.replacesColumn1);
    EXPECT_EQ(settings.curMask, kept.curMask);
    EXPECT_EQ(settings.filesFolder, kept.filesFolder);
    EXPECT_TRUE(settings.maskHistory.empty());
    EXPECT_TRUE(settings.folderHistory.empty());
}

TEST_F(SettingsFileTest, ValuesReadBeforeTheBadOneStay) {
    TSettings settings = Moved();
    Load(
        "<Settings><Left>50</Left><Replaces_Column2>22</Replaces_Column2>"
        "<Files_Column1>12px</Files_Column1><MaskWidth>99</MaskWidth>"
        "<CurMask>*.c</CurMask></Settings>",
        settings);
    EXPECT_EQ(settings.left, 50);
    EXPECT_EQ(settings.top, 2);
    EXPECT_EQ(settings.replacesColumn1, 225);
    EXPECT_EQ(settings.replacesColumn2, 22);
    EXPECT_EQ(settings.filesColumn1, 8);
    EXPECT_EQ(settings.maskWidth, 9);
    EXPECT_EQ(settings.curMask, "*.kept");
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(SettingsFileTest, IntegerNotations) {
    struct Row {
        const char* text;
        int value;  // -1000 marks "damaged"
    };
    const Row rows[] = {
        {"640", 640},   {"-12", -12},    {"+7", 7},      {"  33\n", 33},
        {"", 409},      {"0x10", -1000}, {"1.5", -1000}, {"99999999999", -1000},
        {"--1", -1000}, {"+-1", -1000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        TSettings settings;
        messages.shown.clear();
        const auto result =
            Load("<Settings><Left>" + std::string(row.text) + "</Left></Settings>", settings);
        if (row.value == -1000) {
            EXPECT_EQ(result.status, SettingsStatus::Damaged);
            EXPECT_EQ(settings.left, 409);
        } else {
            EXPECT_EQ(result.status, SettingsStatus::Loaded);
            EXPECT_EQ(settings.left, row.value);
        }
    }
}

TEST_F(SettingsFileTest, BooleanNotations) {
    struct Row {
        const char* text;
        bool ignoreCase;
    };
    const Row rows[] = {
        {"True", true}, {"False", false}, {"fAlSe", false}, {"FALSE", false},
        {"0", false},   {"0.0", false},   {"1", true},      {"-3", true},
        {"true", true}, {"yes", true},    {"", true},       {"no", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        TSettings settings;
        settings.ignoreCase = !row.ignoreCase;  // so that a fallback shows
        const auto result =
            Load("<Settings><IgnoreCase>" + std::string(row.text) + "</IgnoreCase></Settings>",
                 settings);
        EXPECT_EQ(result.status, SettingsStatus::Loaded);
        EXPECT_EQ(settings.ignoreCase, row.ignoreCase);
    }
}

TEST_F(SettingsFileTest, HistoriesAreAppendedAndFolderAsksForScan) {
    TSettings settings;
    settings.maskHistory = {"*.old"};
    const auto result = Load(
        "<Settings><Masks>*.md\t\"my *.txt\"  *.a *.b</Masks>"
        "<Folders>/one\t/two\t/three\t</Folders><FilesFolder>/two</FilesFolder></Settings>",
        settings);
    EXPECT_EQ(settings.maskHistory, (Names{"*.old", "*.md", "my *.txt", "*.a", "*.b"}));
    EXPECT_EQ(settings.folderHistory, (Names{"/one", "/two", "/three"}));
    EXPECT_EQ(settings.filesFolder, "/two");
    EXPECT_TRUE(result.scanFolder);
}

TEST_F(SettingsFileTest, SavedFileHasTheExactLayout) {
    TSettings settings;
    settings.maskHistory = {"*.md", "my *.txt", "say \"hi\"*", "*.htm;*.xhtml"};
    settings.folderHistory = {"/home/u/тексты", "/tmp"};
    settings.filesFolder = "/home/u/тексты";
    settings.curMask = "*.md";
    settings.filter = "a<b & c";
    settings.ignoreCase = false;
    ASSERT_TRUE(SaveSettings(file, settings));
    EXPECT_EQ(TempFolder::Read(file),
              "<Settings><Masks>*.md\t\"my *.txt\"\t\"say \"\"hi\"\"*\"\t*.htm;*.xhtml</Masks>"
              "<Folders>/home/u/тексты\t/tmp\t</Folders>"
              "<Left>409</Left><Top>123</Top><Width>800</Width><Height>639</Height>"
              "<Replaces_Column1>225</Replaces_Column1><Replaces_Column2>220</Replaces_Column2>"
              "<Replaces_Column3>200</Replaces_Column3><Files_Column1>700</Files_Column1>"
              "<MaskWidth>137</MaskWidth><Replaces_Height>257</Replaces_Height>"
              "<FilesFolder>/home/u/тексты</FilesFolder><CurMask>*.md</CurMask>"
              "<Replaces_CheckedOnly>False</Replaces_CheckedOnly><Filter>a&lt;b &amp; c</Filter>"
              "<ReplacesFilter/><IgnoreCase>False</IgnoreCase><UTF8>False</UTF8>"
              "<BackupFiles>True</BackupFiles></Settings>\r\n");
}

TEST_F(SettingsFileTest, RoundTripKeepsEveryValue) {
    TSettings saved = Moved();
    saved.maskHistory = {"*.md", "two words", "\"quoted\"", "tab\there"};
    saved.folderHistory = {"/a b", "/ж", "", "/c"};
    saved.filesFolder = "/a b";
    saved.replacesFilter = "[nw] x";
    ASSERT_TRUE(SaveSettings(file, saved));
    TSettings loaded;
    const auto result = LoadSettings(file, loaded, messages);
    EXPECT_EQ(result.status, SettingsStatus::Loaded);
    EXPECT_EQ(loaded.maskHistory, saved.maskHistory);
    EXPECT_EQ(loaded.folderHistory, saved.folderHistory);
    EXPECT_EQ(loaded.left, saved.left);
    EXPECT_EQ(loaded.replacesHeight, saved.replacesHeight);
    EXPECT_EQ(loaded.filesFolder, saved.filesFolder);
    EXPECT_EQ(loaded.curMask, saved.curMask);
    EXPECT_EQ(loaded.replacesCheckedOnly, saved.replacesCheckedOnly);
    EXPECT_EQ(loaded.filter, saved.filter);
    EXPECT_EQ(loaded.replacesFilter, saved.replacesFilter);
    EXPECT_EQ(loaded.ignoreCase, saved.ignoreCase);
    EXPECT_EQ(loaded.utf8, saved.utf8);
    EXPECT_EQ(loaded.backupFiles, saved.backupFiles);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsFileTest, OnlyTheFirst42MasksAreStored) {
    TSettings saved;
    for (int i = 1; i <= 50; ++i) saved.maskHistory.push_back("*.m" + std::to_string(i));
    ASSERT_TRUE(SaveSettings(file, saved));
    TSettings loaded;
    LoadSettings(file, loaded, messages);
    ASSERT_EQ(loaded.maskHistory.size(), 42u);
    EXPECT_EQ(loaded.maskHistory.front(), "*.m1");
    EXPECT_EQ(loaded.maskHistory.back(), "*.m42");
}

TEST_F(SettingsFileTest, TextsXmlCannotHoldDoNotCostTheFile) {
    TSettings saved;
    // Control characters and U+FFFF go; a Latin-1 byte becomes "?", a valid ж stays.
    saved.filter =
        "a\x01"
        "b\x1F"
        "c\xEF\xBF\xBF";
    saved.filesFolder = "/caf\xE9/\xD0\xB6";
    saved.folderHistory = {"/\xFF\xFE"};
    ASSERT_TRUE(SaveSettings(file, saved));
    TSettings loaded;
    LoadSettings(file, loaded, messages);
    EXPECT_EQ(loaded.filter, "abc");
    EXPECT_EQ(loaded.filesFolder, "/caf?/\xD0\xB6");
    EXPECT_EQ(loaded.folderHistory, Names{"/??"});
}

TEST_F(SettingsFileTest, SaveReplacesTheFileWholeAndLeavesNoTemporaryFiles) {
    tmp.Write("Settings.xml", std::string(100000, 'x'));
    ASSERT_TRUE(SaveSettings(file, TSettings()));
    EXPECT_EQ(TempFolder::Read(file).rfind("<Settings><Masks/>", 0), 0u) << TempFolder::Read(file);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(tmp.path())) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(SettingsFileTest, FailedSaveIsReportedToTheCallerOnly) {
    EXPECT_FALSE(SaveSettings(tmp.path() / "missing" / "Settings.xml", TSettings()));
    // A folder where the file should be cannot be replaced.
    fs::create_directory(file);
    EXPECT_FALSE(SaveSettings(file, TSettings()));
    EXPECT_TRUE(fs::is_directory(file));
}

TEST(SettingsEncoding, MaskHistory) {
    struct Row {
        Names masks;
        const char* text;
    };
    const Row rows[] = {
        {{}, ""},
        {{""}, "\"\""},
        {{"*.a", "*.b"}, "*.a\t*.b"},
        {{"a b"}, "\"a b\""},
        {{"x\"y"}, "\"x\"\"y\""},
        {{"*.a", ""}, "*.a\t"},  // an empty entry among others does not survive reading
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(EncodeMaskHistory(row.masks), row.text);
    }
    EXPECT_EQ(DecodeMaskHistory(""), Names{});
    EXPECT_EQ(DecodeMaskHistory("\"\""), Names{""});
    EXPECT_EQ(DecodeMaskHistory("*.a *.b"), (Names{"*.a", "*.b"}));
    EXPECT_EQ(DecodeMaskHistory("\r\n \"a b\"\t\t*.c\n"), (Names{"a b", "*.c"}));
    EXPECT_EQ(DecodeMaskHistory("\"unclosed b"), Names{"unclosed b"});
}

TEST(SettingsEncoding, FolderHistory) {
    EXPECT_EQ(EncodeFolderHistory({"/a", "/b c", "/d"}), "/a\t/b c\t/d\t");
    EXPECT_EQ(EncodeFolderHistory({}), "");
    EXPECT_EQ(DecodeFolderHistory("/a\t/b c\t/d\t"), (Names{"/a", "/b c", "/d"}));
    EXPECT_EQ(DecodeFolderHistory("/a\t/b"), (Names{"/a", "/b"}));
    EXPECT_EQ(DecodeFolderHistory("/a\t\t/b\t"), (Names{"/a", "", "/b"}));
    EXPECT_EQ(DecodeFolderHistory("/a\r\n/b\r/c\n"), (Names{"/a", "/b", "/c"}));
    EXPECT_EQ(DecodeFolderHistory(""), Names{});
}

TEST(DelimitedText, SplitAndJoinWithSemicolons) {
    struct Row {
        const char* text;
        Names entries;
    };
    const Row rows[] = {
        {"a;b", {"a", "b"}},    {"a;;b", {"a", "", "b"}}, {";a", {"", "a"}},
        {"a;", {"a", ""}},      {"a ; b", {"a", "b"}},    {"\"a;b\";c", {"a;b", "c"}},
        {"\"a\"b", {"a", "b"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(SplitDelimited(row.text, ';'), row.entries);
    }
    EXPECT_EQ(SplitDelimited(std::string_view("a\0;b", 4), ';'), Names{"a"});
    EXPECT_EQ(JoinDelimited({"a;b", "c d", "e"}, ';'), "\"a;b\";\"c d\";e");
    EXPECT_EQ(SplitDelimited(JoinDelimited({"a;b", "c d", "e"}, ';'), ';'),
              (Names{"a;b", "c d", "e"}));
}

}  // namespace
}  // namespace qx
