// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/ConfigLocation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TempFolder.h"

namespace qx {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

TEST(ConfigLocation, ProgramFolderWhenWritableElseTheUsersConfigFolder) {
    TempFolder tmp;
    const std::string program = tmp.path().string();
    EXPECT_EQ(ChooseConfigFolder(program, "/xdg", "/home/u"), program + "/");
    EXPECT_EQ(ChooseConfigFolder(program + "/", nullptr, nullptr), program + "/");

    const std::string gone = program + "/not-there/";
    EXPECT_EQ(ChooseConfigFolder(gone, "/xdg", "/home/u"), fs::path("/xdg/qxquendro/"));
    EXPECT_EQ(ChooseConfigFolder(gone, "relative", "/home/u"),
              fs::path("/home/u/.config/qxquendro/"));
    EXPECT_EQ(ChooseConfigFolder(gone, "", "/home/u"), fs::path("/home/u/.config/qxquendro/"));
    EXPECT_EQ(ChooseConfigFolder(gone, nullptr, nullptr), fs::path(gone));
    // An installed program: the user's folder even when the program's folder is writable.
    EXPECT_EQ(ChooseConfigFolder("", "/xdg", "/home/u"), fs::path("/xdg/qxquendro/"));
    EXPECT_EQ(ChooseConfigFolder("", nullptr, nullptr), fs::path("./"));

    const fs::path folder = ConfigFolder();
    EXPECT_EQ(folder.native().back(), '/');
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(ConfigFile("Settings.xml"), folder / "Settings.xml");
}

}  // namespace
}  // namespace qx
