// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/ProgramFolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/TempFolder.h"

namespace {

TEST(ProgramFolder, FolderPartEndsInOneSeparator) {
    struct Row {
        const char* file;
        const char* folder;
    };
    const Row rows[] = {
        {"/a/b/c.txt", "/a/b/"}, {"/c.txt", "/"},    {"c.txt", "./"},
        {"sub/c.txt", "sub/"},   {"/a/b/", "/a/b/"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        EXPECT_EQ(qx::FolderWithSeparator(row.file).native(), row.folder);
    }
}

TEST(ProgramFolder, IsTheFolderOfTheRunningExecutable) {
    const std::filesystem::path folder = qx::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.native().back(), '/');
    EXPECT_TRUE(folder.is_absolute());
    // This test executable is named after its source file and lives in that folder.
    EXPECT_TRUE(std::filesystem::exists(folder / "ProgramFolder_test"));
}

TEST(ProgramFolder, DoesNotDependOnTheCurrentFolder) {
    const std::filesystem::path before = qx::ProgramFolder();
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path("/");
    const std::filesystem::path after = qx::ProgramFolder();
    std::filesystem::current_path(saved);
    EXPECT_EQ(before, after);
}

// An installed program finds its read-only files under <prefix>/share/qxquendro/ whatever the
// prefix; anywhere else (a build folder, a "bin" without them) they are beside the program.
TEST(ProgramFolder, DataFolderIsSharedFolderOfPrefixElseProgramFolder) {
    qx::test::TempFolder tmp;
    const std::filesystem::path& root = tmp.path();
    tmp.Write("usr/share/qxquendro/Help.htm");
    tmp.Write("usr/bin/qxquendro");
    tmp.Write("opt/bin/qxquendro");
    tmp.Write("build/share/qxquendro/Help.htm");
    tmp.Write("build/qxquendro");
    tmp.Write("file/share/qxquendro");  // a file of that name is not the folder
    tmp.Write("file/bin/qxquendro");
    struct Row {
        std::filesystem::path program;
        std::filesystem::path data;
    };
    const Row rows[] = {
        {root / "usr/bin/", root / "usr/share/qxquendro/"},
        {root / "usr/bin", root / "usr/share/qxquendro/"},
        {root / "usr/./bin/", root / "usr/share/qxquendro/"},
        {root / "opt/bin/", root / "opt/bin/"},
        {root / "build/", root / "build/"},
        {root / "file/bin/", root / "file/bin/"},
        {"./", "./"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.program);
        EXPECT_EQ(qx::ChooseDataFolder(row.program), row.data);
    }
    // The test executable runs from its build folder.
    EXPECT_EQ(qx::DataFolder(), qx::ProgramFolder());
}

}  // namespace
