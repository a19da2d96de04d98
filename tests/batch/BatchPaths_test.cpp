// SPDX-License-Identifier: GPL-3.0-or-later
// How batch mode reads its file list and finds its files.
#include "batch/BatchPaths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/StderrMessages.h"
#include "storage/ProgramFolder.h"
#include "tests/support/TempFolder.h"

namespace {

using Lines = std::vector<std::string>;

TEST(FileListLines, SplitsAtEveryKindOfLineBreakAndDropsEmptyLines) {
    struct Row {
        const char* name;
        std::string bytes;
        Lines lines;
    };
    const Row rows[] = {
        {"empty", "", {}},
        {"one line without break", "a.txt", {"a.txt"}},
        {"final break adds no line", "a\r\n", {"a"}},
        {"CR LF, lone CR, lone LF", "a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"LF CR is two breaks", "a\n\rb", {"a", "b"}},
        {"empty lines skipped", "\r\n\r\na\n\n\rb\r\r", {"a", "b"}},
        {"no trimming", " a \t\r\n", {" a \t"}},
        {"windows-1251 names become UTF-8", "\xc4\xee\xec.txt", {"Дом.txt"}},
        {"UTF-8 names stay", "Дом.txt\n", {"Дом.txt"}},
        {"byte-order mark dropped",
         "\xEF\xBB\xBF"
         "a\n",
         {"a"}},
        {"zero byte is kept inside a line", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(qx::FileListLines(row.bytes), row.lines);
    }
}

TEST(ResolveListed, RelativeLinesGoBehindTheBaseFolder) {
    struct Row {
        const char* line;
        const char* path;
        const char* folder;  // its parent, as the path's own parts give it
    };
    const Row rows[] = {
        {"a.txt", "/base/a.txt", "/base"},          {"sub/b.txt", "/base/sub/b.txt", "/base/sub"},
        {"../c.txt", "/base/../c.txt", "/base/.."}, {"/abs/d.txt", "/abs/d.txt", "/abs"},
        {"C:\\e.txt", "/base/C:\\e.txt", "/base"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        const std::filesystem::path path = qx::ResolveListed(row.line, "/base/");
        EXPECT_EQ(path.native(), row.path);
        EXPECT_EQ(path.parent_path().native(), row.folder);
    }
}

TEST(ResolveArgument, ProgramFolderFirstThenCurrentFolder) {
    qx::test::TempFolder folder;
    const std::filesystem::path program = folder.path() / "prog/";
    folder.Write("prog/rules.lst");
    folder.Write("prog/sub/files.txt");
    std::filesystem::create_directories(folder.path() / "prog/dir.lst");

    EXPECT_EQ(qx::ResolveArgument("rules.lst", program), program / "rules.lst");
    EXPECT_EQ(qx::ResolveArgument("sub/files.txt", program), program / "sub/files.txt");
    // The file list's own folder is where its relative lines are looked up.
    EXPECT_EQ(qx::FolderWithSeparator(qx::ResolveArgument("sub/files.txt", program)).native(),
              (program / "sub/").native());
    // Not in the program folder (or not a file there): relative to the current folder.
    EXPECT_EQ(qx::ResolveArgument("other.lst", program), "other.lst");
    EXPECT_EQ(qx::ResolveArgument("dir.lst", program), "dir.lst");
    EXPECT_EQ(qx::ResolveArgument("/x/rules.lst", program), "/x/rules.lst");
}

TEST(OneLine, JoinsTheNonEmptyLines) {
    EXPECT_EQ(qx::OneLine("Файл: a.lst\r\n\r\nbad tag\r\nCтрока: 2\r\n\r\n<Item>"),
              "Файл: a.lst; bad tag; Cтрока: 2; <Item>");
    EXPECT_EQ(qx::OneLine("plain"), "plain");
    EXPECT_EQ(qx::OneLine(""), "");
}

}  // namespace
