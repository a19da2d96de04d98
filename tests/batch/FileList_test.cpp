// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FileList.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "batch/FileRows.h"
#include "batch/FindFiles.h"
#include "batch/FolderScan.h"
#include "batch/NameMatch.h"
#include "tests/support/TempFolder.h"

namespace qx {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using Names = std::vector<std::string>;

Names Captions(const TFiles& files) {
    Names names;
    for (int i = 0; i < files.Count(); ++i) {
        names.push_back(RelativeName(files.Folder, files.Items(i)->FileName));
    }
    return names;
}

Names Captions(const FileRows& rows) {
    Names names;
    for (int i = 0; i < rows.Count(); ++i) names.push_back(rows.Caption(i));
    return names;
}

TEST(ParseMasks, SplitsSortsAndDropsDuplicatesWithoutRegardToCase) {
    struct Row {
        const char* text;
        Names masks;
    };
    const Row rows[] = {
        {"*.htm;*.html", {"*.htm", "*.html"}},
        {"*.txt *.TXT", {"*.txt"}},
        {"*.xml;*.TXT\t*.ini", {"*.ini", "*.TXT", "*.xml"}},
        {"\"my file*.txt\";*.doc", {"*.doc", "my file*.txt"}},
        {"a;;b", {"", "a", "b"}},
        {"a;", {"", "a"}},
        {" ; a", {"", "a"}},
        {"a; ", {"a"}},
        {"", {}},
        {"\xD0\x90*.txt;\xD0\xB0*.TXT", {"\xD0\x90*.txt"}},  // А*.txt and а*.TXT
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ParseMasks(row.text), row.masks);
    }
}

TEST(FileMask, MatchesLikeDesktopWildcards) {
    struct Row {
        const char* mask;
        const char* name;
        bool matches;
    };
    const Row rows[] = {
        {"*.*", "README", true},
        {"*.*", "a.b.c", true},
        {"*.txt", "NOTES.TXT", true},
        {"*.txt", "notes.txt.bak", false},
        {"*.txt", ".txt", true},
        {"?.txt", "a.txt", true},
        {"?.txt", "ab.txt", false},
        {"?.txt", "\xD0\xB6.txt", true},  // one Cyrillic letter is one character
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYcZ", false},
        {"*", "x", true},
        {"", "x", false},
        {"report.*", "report", true},
        {"report.*", "reports", false},
        {"*.", "Makefile", true},
        {"*.", "main.c", false},
        // ОТЧЁТ*.txt against отчёт 1.TXT: Cyrillic letters, Ё included, ignore case.
        {"\xD0\x9E\xD0\xA2\xD0\xA7\xD0\x81\xD0\xA2*.txt",
         "\xD0\xBE\xD1\x82\xD1\x87\xD1\x91\xD1\x82 1.TXT", true},
        // A character outside the code page compares exactly.
        {"\xE4\xB8\xAD*", "\xE4\xB8\xAD.txt", true},
        {"\xE4\xB8\xAD*", "\xE4\xB8\xAE.txt", false},
        // A name that is not valid UTF-8 is still matched byte by byte.
        {"*.txt", "caf\xE9.txt", true},
        {"caf?.txt", "caf\xE9.txt", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.mask) + " ~ " + row.name);
        EXPECT_EQ(FileMask(row.mask).Matches(row.name), row.matches);
    }
}

TEST(NameMatch, FoldsCyrillicAndLatinOnly) {
    EXPECT_EQ(FoldCase("ABC \xD0\x81\xD0\xAF \xC3\x84"), "abc \xD1\x91\xD1\x8F \xC3\x84");
    EXPECT_TRUE(ContainsFolded("sub/ABCdef.txt", "cD"));
    EXPECT_FALSE(ContainsFolded("sub/ABCdef.txt", "dc"));
    EXPECT_TRUE(FileNameLess("a.txt", "B.txt"));
    EXPECT_TRUE(FileNameLess("README", "Readme"));  // same letters: bytes decide
    EXPECT_FALSE(FileNameLess("Readme", "README"));
}

// A tree with everything the walk has to tell apart.
class ScanTree : public ::testing::Test {
protected:
    void SetUp() override {
        tmp.Write("a.txt");
        tmp.Write("B.TXT");
        tmp.Write("c.html");
        tmp.Write("d.htm");
        tmp.Write("note.md");
        tmp.Write(".hidden-file.txt");
        tmp.Write("sub/e.txt");
        tmp.Write("sub/deeper/f.txt");
        tmp.Write(".hidden/g.txt");
        fs::create_directory(tmp.path() / "folder.txt");
        fs::create_symlink(tmp.path() / "a.txt", tmp.path() / "link.txt");
        fs::create_symlink(tmp.path() / "missing", tmp.path() / "dangling.txt");
        fs::create_directory_symlink(tmp.path(), tmp.path() / "sub" / "loop");
        fs::create_directory_symlink(tmp.path() / "sub", tmp.path() / "sublink");
        ASSERT_EQ(::mkfifo((tmp.path() / "pipe.txt").c_str(), 0600), 0);
    }

    Names Scan(std::string_view masks, bool recursive, std::string folder = "") {
        if (folder.empty()) folder = tmp.path().string();
        const ScanResult result = ScanFolder(folder, masks, recursive, files, history);
        EXPECT_EQ(result.outcome, ScanOutcome::Scanned);
        return Captions(files);
    }

    TempFolder tmp;
    TFiles files;
    Names history;
};

TEST_F(ScanTree, ListsOnlyRegularFilesOfTheFolderItself) {
    EXPECT_EQ(Scan("*.txt", false), (Names{".hidden-file.txt", "a.txt", "B.TXT", "link.txt"}));
}

TEST_F(ScanTree, RecursiveScanSkipsHiddenFoldersAndFolderLinks) {
    EXPECT_EQ(Scan("*.txt", true), (Names{".hidden-file.txt", "a.txt", "B.TXT", "link.txt",
                                          "sub/deeper/f.txt", "sub/e.txt"}));
}

TEST_F(ScanTree, SeveralMasksListEachFileOnceInPathOrder) {
    EXPECT_EQ(Scan("*.htm;*.html", false), (Names{"c.html", "d.htm"}));
    EXPECT_EQ(Scan("*.TXT *.txt;a*", false),
              (Names{".hidden-file.txt", "a.txt", "B.TXT", "link.txt"}));
    EXPECT_EQ(Scan("*.md;*.*", false), Scan("*.*;*.md", false));
    EXPECT_EQ(Scan("sub/*.txt", false), (Names{"sub/e.txt"}));
}

TEST_F(ScanTree, EmptyMaskFindsNothing) {
    EXPECT_EQ(Scan("", true), Names{});
    EXPECT_EQ(Scan(";", true), Names{});
}

TEST_F(ScanTree, TrailingSeparatorGivesTheSameCaptions) {
    const Names plain = Scan("*.*", true);
    EXPECT_EQ(Scan("*.*", true, tmp.path().string() + "//"), plain);
    EXPECT_EQ(files.Folder, tmp.path());
    EXPECT_EQ(history, Names{tmp.path().string()});
}

TEST_F(ScanTree, RescanChecksEveryFileAgain) {
    Scan("*.txt", false);
    files.Items(0)->Checked = false;
    files.Items(2)->Checked = false;
    Scan("*.txt", false);
    for (int i = 0; i < files.Count(); ++i) EXPECT_TRUE(files.Items(i)->Checked) << i;
}

TEST_F(ScanTree, FolderTypedThroughALinkIsScanned) {
    TempFolder other;
    const fs::path link = other.path() / "texts";
    fs::create_directory_symlink(tmp.path(), link);
    EXPECT_EQ(Scan("*.txt", false, link.string()),
              (Names{".hidden-file.txt", "a.txt", "B.TXT", "link.txt"}));
    EXPECT_EQ(files.Items(0)->FileName, link / ".hidden-file.txt");
}

TEST(Scan, DeepTreeNeedsNoHandlePerLevel) {
    TempFolder tmp;
    std::string relative;
    for (int level = 0; level < 200; ++level) relative += "d/";
    tmp.Write(relative + "bottom.txt");
    // With few handles allowed, a walk that kept every level open would lose the bottom.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit few = saved;
    few.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    TFiles files;
    Names history;
    ScanFolder(tmp.path().string(), "*.txt", true, files, history);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(Captions(files), Names{relative + "bottom.txt"});
}

TEST(Scan, KeepsNamesThatDifferOnlyInCase) {
    TempFolder tmp;
    tmp.Write("Readme.txt", "1");
    tmp.Write("README.txt", "2");
    tmp.Write("readme.TXT", "3");
    tmp.Write("a.txt");
    TFiles files;
    Names history;
    ScanFolder(tmp.path().string(), "*.txt", false, files, history);
    EXPECT_EQ(Captions(files), (Names{"a.txt", "README.txt", "Readme.txt", "readme.TXT"}));
}

TEST(Scan, MissingAndEmptyFolders) {
    TempFolder tmp;
    TFiles files;
    files.Add(std::make_unique<TFile>("/old"));
    Names history{"/kept"};

    ScanResult result = ScanFolder("", "*.*", true, files, history);
    EXPECT_EQ(result.outcome, ScanOutcome::NoFolder);
    EXPECT_EQ(files.Count(), 0);

    files.Add(std::make_unique<TFile>("/old"));
    const std::string missing = (tmp.path() / "nowhere").string();
    result = ScanFolder(missing, "*.*", true, files, history);
    EXPECT_EQ(result.outcome, ScanOutcome::FolderNotFound);
    EXPECT_EQ(files.Count(), 0);
    EXPECT_EQ(history, Names{"/kept"});

    // A file is not a folder.
    const fs::path file = tmp.Write("plain.txt");
    EXPECT_EQ(ScanFolder(file.string(), "*.*", false, files, history).outcome,
              ScanOutcome::FolderNotFound);

    // An existing folder without matching files: empty list, but remembered.
    result = ScanFolder(tmp.path().string(), "*.none", true, files, history);
    EXPECT_EQ(result.outcome, ScanOutcome::Scanned);
    EXPECT_EQ(files.Count(), 0);
    EXPECT_EQ(history, (Names{tmp.path().string(), "/kept"}));
}

TEST(Scan, UnreadableSubfolderIsSkipped) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    TempFolder tmp;
    tmp.Write("locked/x.txt");
    tmp.Write("open/y.txt");
    fs::permissions(tmp.path() / "locked", fs::perms::none);
    TFiles files;
    Names history;
    ScanFolder(tmp.path().string(), "*.txt", true, files, history);
    fs::permissions(tmp.path() / "locked", fs::perms::owner_all);
    EXPECT_EQ(Captions(files), Names{"open/y.txt"});
}

TEST(FindFiles, ReportsFilesBeforeSubfoldersAndStopsOnlyTheCurrentFolder) {
    TempFolder tmp;
    tmp.Write("one.txt");
    tmp.Write("two.txt");
    tmp.Write("sub/three.txt");
    tmp.Write("sub/four.txt");
    tmp.Write("sub/inner/five.txt");
    Names found;
    FindFiles(
        tmp.path() / "*.txt",
        [&](const fs::path& path) {
            found.push_back(RelativeName(tmp.path(), path));
            return false;  // only the first file of each folder
        },
        true);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].find('/'), std::string::npos);
    EXPECT_EQ(found[1].rfind("sub/", 0), 0u);
    EXPECT_EQ(found[1].find('/', 4), std::string::npos);
    EXPECT_EQ(found[2], "sub/inner/five.txt");

    found.clear();
    FindFiles(
        fs::path("*.txt"), [&](const fs::path&) { return true; }, true);
    FindFiles(tmp.path() / "*.txt", nullptr, true);
    EXPECT_TRUE(found.empty());
}

TEST(FolderHistory, MostRecentFirstAtMost24) {
    Names history;
    for (int i = 1; i <= 24; ++i) RememberFolder(history, "/f" + std::to_string(i));
    ASSERT_EQ(history.size(), 24u);
    EXPECT_EQ(history.front(), "/f24");
    EXPECT_EQ(history.back(), "/f1");

    EXPECT_FALSE(RememberFolder(history, "/f25"));
    EXPECT_EQ(history.size(), 24u);
    EXPECT_EQ(history.front(), "/f25");
    EXPECT_EQ(history.back(), "/f2");

    // Known in another letter case: moved to the top, not duplicated.
    EXPECT_TRUE(RememberFolder(history, "/F10"));
    EXPECT_EQ(history.size(), 24u);
    EXPECT_EQ(history.front(), "/F10");
    EXPECT_EQ(std::count(history.begin(), history.end(), "/f10"), 0);
}

TEST(FolderHistory, ScanOfKnownFolderShowsTheScannedSpelling) {
    TempFolder tmp;
    TFiles files;
    Names history{"/elsewhere", tmp.path().string()};
    const ScanResult result = ScanFolder(tmp.path().string() + "/", "*.*", false, files, history);
    EXPECT_EQ(result.folderText, tmp.path().string());
    EXPECT_EQ(history, (Names{tmp.path().string(), "/elsewhere"}));
}

TEST(MaskHistory, AppendsOnlyNewMasksWithoutRegardToCase) {
    Names items(kBuiltInMasks.begin(), kBuiltInMasks.end());
    EXPECT_FALSE(RememberMask(items, "*.TXT"));
    EXPECT_FALSE(RememberMask(items, "*.HTM;*.HTML"));
    EXPECT_TRUE(RememberMask(items, "*.md"));
    EXPECT_FALSE(RememberMask(items, "*.MD"));
    EXPECT_EQ(items.size(), 8u);
    EXPECT_EQ(items.back(), "*.md");
}

class FileViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        files.Folder = "/data";
        for (const char* name :
             {"/data/abc.txt", "/data/sub/xABCy.txt", "/data/other.txt", "/data/sub/Abc/z.txt"}) {
            files.Add(std::make_unique<TFile>(name));
        }
    }
    TFiles files;
    FileRows rows;
};

TEST_F(FileViewTest, TextFilterMatchesRelativeNameWithoutRegardToCase) {
    rows.Fill(files, {false, true, "abc"});
    EXPECT_EQ(Captions(rows), (Names{"abc.txt", "sub/xABCy.txt", "sub/Abc/z.txt"}));
    // The folder part of the path is not searched.
    rows.Fill(files, {false, true, "data"});
    EXPECT_EQ(rows.Count(), 0);
    // Filter off, or on with no text: everything.
    rows.Fill(files, {false, false, "abc"});
    EXPECT_EQ(rows.Count(), 4);
    rows.Fill(files, {false, true, ""});
    EXPECT_EQ(rows.Count(), 4);
}

TEST_F(FileViewTest, HiddenEntriesKeepTheirMarks) {
    files.Items(2)->Checked = false;  // other.txt
    rows.Fill(files, {false, true, "abc"});
    rows.CheckAll(false);
    rows.Fill(files, {false, false, ""});
    EXPECT_EQ(rows.CounterText(), "0 / 4");
    rows.Fill(files, {true, false, ""});
    EXPECT_EQ(rows.Count(), 0);
    rows.Fill(files, {false, false, ""});
    rows.InvertAll();
    EXPECT_EQ(rows.CounterText(), "4 / 4");
}

TEST_F(FileViewTest, CheckedOnlyRowStaysUntilNextRefill) {
    rows.Fill(files, {true, false, ""});
    const int selected[] = {1};
    rows.CheckSelected(selected, false);
    EXPECT_EQ(rows.CounterText(), "3 / 4");
    rows.Fill(files, {true, false, ""});
    EXPECT_EQ(rows.CounterText(), "3 / 3");
    EXPECT_EQ(Captions(rows), (Names{"abc.txt", "other.txt", "sub/Abc/z.txt"}));
}

TEST_F(FileViewTest, CommandsActOnTheRowsShown) {
    rows.Fill(files, {false, false, ""});
    const int selected[] = {3, 1, 99, -1};
    rows.CheckSelected(selected, false);
    EXPECT_FALSE(files.Items(1)->Checked);
    EXPECT_FALSE(files.Items(3)->Checked);
    EXPECT_TRUE(files.Items(0)->Checked);
    rows.CheckSelected(selected, true);
    EXPECT_EQ(rows.CheckedCount(), 4);
    rows.ToggleFirstSelected(selected);  // the first selected row is row 1
    EXPECT_FALSE(files.Items(1)->Checked);
    EXPECT_TRUE(files.Items(3)->Checked);
    rows.CheckAll(false);
    EXPECT_EQ(rows.CounterText(), "0 / 4");
    rows.Clear();
    EXPECT_EQ(rows.CounterText(), "0 / 0");
}

TEST(TFiles, OwnsEntriesAndAnswersOutOfRangeWithNothing) {
    TFiles files;
    EXPECT_EQ(files.Add(nullptr), -1);
    EXPECT_EQ(files.Add(std::make_unique<TFile>("/a")), 0);
    EXPECT_EQ(files.Add(std::make_unique<TFile>("/b", false)), 1);
    EXPECT_EQ(files.Count(), 2);
    EXPECT_TRUE(files.Items(0)->Checked);
    EXPECT_FALSE(files.Items(1)->Checked);
    EXPECT_EQ(files.Items(2), nullptr);
    EXPECT_EQ(files.Items(-1), nullptr);
    files.Clear();
    EXPECT_EQ(files.Count(), 0);
}

TEST(RelativeName, StripsTheFolderAndOneSeparator) {
    EXPECT_EQ(RelativeName("/data", "/data/sub/x.txt"), "sub/x.txt");
    EXPECT_EQ(RelativeName("/", "/x.txt"), "x.txt");
    EXPECT_EQ(RelativeName("/data", "/database/x.txt"), "/database/x.txt");
}

}  // namespace
}  // namespace qx
