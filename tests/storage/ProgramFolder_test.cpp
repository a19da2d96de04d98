// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/ProgramFolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

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

}  // namespace
