// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FileListCorrection.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/engine/CorrectionDoubles.h"

namespace qx {
namespace {

using namespace test;  // the correction doubles
using Verdict = FileReport::Verdict;

TEST(FileListCorrection, BacksUpOnlyWhatItRewritesAndReportsEveryFile) {
    TempFolder folder;
    struct Row {
        const char* name;
        std::string before;
        bool exists;  // false: no file is made
        Verdict verdict;
        CorrectionOutcome outcome;
        std::string after;
    };
    const std::string lossy =
        "\xEF\xBB\xBF"
        "colour \xE2\x98\xBA";  // BOM, a character not in 1251
    const std::vector<Row> rows = {
        {"changed.txt", "colour", true, Verdict::Corrected, CorrectionOutcome::Rewritten, "color"},
        {"same.txt", "plain", true, Verdict::Corrected, CorrectionOutcome::Unchanged, "plain"},
        {"missing.txt", "", false, Verdict::Skipped, CorrectionOutcome::Missing, ""},
        {"nobackup.txt", "colour!", true, Verdict::Skipped, CorrectionOutcome::BackupFailed,
         "colour!"},
        {"lossy.txt", lossy, true, Verdict::Skipped, CorrectionOutcome::WouldLoseCharacters, lossy},
        {"\xD1\x91.txt", "colours", true, Verdict::Corrected, CorrectionOutcome::Rewritten,
         "colors"},  // ё.txt
    };
    std::vector<std::filesystem::path> files;
    for (const Row& row : rows) {
        files.push_back(folder / row.name);
        if (row.exists) WriteBytes(files.back(), row.before);
    }

    FakeRules rules{{"colour", "color"}};
    FileListCorrection correction(rules);
    std::vector<std::pair<std::string, std::string>> backups;
    correction.makeBackup = [&](const std::filesystem::path& path, std::string_view bytes) {
        backups.emplace_back(path.filename().string(), std::string(bytes));
        return path.filename() == "nobackup.txt" ? ENOSPC : 0;
    };
    std::vector<FileReport> reports;
    correction.onFileDone = [&](const FileReport& report) { reports.push_back(report); };
    std::vector<std::pair<std::size_t, std::size_t>> progress;
    correction.onProgress = [&](std::size_t done, std::size_t total) {
        progress.emplace_back(done, total);
    };

    const FileListCorrection::Summary summary = correction.Run(files);
    EXPECT_EQ(summary.done, rows.size());
    EXPECT_FALSE(summary.stopped);
    EXPECT_FALSE(summary.failed);
    ASSERT_EQ(reports.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(reports[i].path, files[i]);
        EXPECT_EQ(reports[i].verdict, rows[i].verdict);
        EXPECT_EQ(reports[i].result.outcome, rows[i].outcome);
        EXPECT_EQ(reports[i].result.reason.empty(), rows[i].verdict == Verdict::Corrected);
        if (rows[i].exists) {
            EXPECT_EQ(ReadBytes(files[i]), rows[i].after);
        }
        EXPECT_EQ(progress[i], std::make_pair(i + 1, rows.size()));
    }
    const std::vector<std::pair<std::string, std::string>> expectedBackups = {
        {"changed.txt", "colour"}, {"nobackup.txt", "colour!"}, {"\xD1\x91.txt", "colours"}};
    EXPECT_EQ(backups, expectedBackups);
    // The records carry the path in the working code page.
    EXPECT_EQ(rules.currentFileName, Cp(files.back().native()));
}

TEST(FileListCorrection, StopsBetweenFilesAndAfterARuleError) {
    TempFolder folder;
    const std::vector<std::filesystem::path> files = {folder / "1", folder / "2", folder / "3"};
    for (const auto& path : files) WriteBytes(path, "colour");

    {  // A stop asked for after the second file leaves the third alone.
        FakeRules rules{{"colour", "color"}};
        FileListCorrection correction(rules);
        correction.recordName = [](const std::filesystem::path& path) {
            return "name " + path.filename().string();
        };
        int asked = 0;
        correction.stopRequested = [&] { return ++asked == 2; };
        const FileListCorrection::Summary summary = correction.Run(files);
        EXPECT_TRUE(summary.stopped);
        EXPECT_EQ(summary.done, 2u);
        EXPECT_EQ(rules.currentFileName, "name 2");
        EXPECT_EQ(ReadBytes(files[1]), "color");
        EXPECT_EQ(ReadBytes(files[2]), "colour");
    }
    for (const auto& path : files) WriteBytes(path, "colour");
    {  // A rule that fails on the second file ends the run with that file unwritten.
        FakeRules rules{{"colour", "color"}};
        rules.beforeApply = [&rules] {
            if (rules.applyCalls == 2) throw std::runtime_error("TRegExpr(exec): broken");
        };
        FileListCorrection correction(rules);
        std::vector<FileReport> reports;
        correction.onFileDone = [&](const FileReport& report) { reports.push_back(report); };
        const FileListCorrection::Summary summary = correction.Run(files);
        EXPECT_TRUE(summary.failed);
        EXPECT_EQ(summary.done, 2u);
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_EQ(reports[1].verdict, Verdict::Error);
        EXPECT_EQ(reports[1].error, "TRegExpr(exec): broken");
        EXPECT_EQ(ReadBytes(files[0]), "color");
        EXPECT_EQ(ReadBytes(files[1]), "colour");
        EXPECT_EQ(ReadBytes(files[2]), "colour");
    }
}

TEST(FileListCorrection, WorkersGiveTheReportsAndFilesOfOneThread) {
    // A list of files of every kind, with a file the rules fail on in the middle: whatever the
    // number of workers, the reports, their order and the bytes on disk are those of Run. The
    // files after the failing one are corrected ahead by other workers but never written; the
    // large ones among them are taken first, ahead of their turn.
    TempFolder folder;
    std::vector<std::filesystem::path> files;
    std::vector<std::string> contents;
    // One match in 1.25 MiB: the thread sanitizer checks the whole rest of the text at every
    // search, so a large file full of matches would take it many minutes.
    const std::string large = "colour" + std::string(std::size_t{5} << 18, '.');
    for (int i = 0; i < 60; ++i) {
        files.push_back(folder / ("f" + std::to_string(i)));
        const bool isLarge = i == 11 || i == 29 || i == 44 || i == 52;
        contents.push_back(isLarge      ? large
                           : i % 3 == 0 ? "plain"
                           : i == 41    ? "colour broken"
                                        : "colour");
        if (i % 7 != 5) WriteBytes(files.back(), contents.back());  // some are missing
    }
    const auto make = [] {
        auto rules = std::make_unique<FakeRules>(
            std::initializer_list<std::pair<std::string_view, std::string_view>>{
                {"colour", "color"}});
        FakeRules* own = rules.get();
        own->beforeApply = [own] {
            if (own->seen.find("broken") != std::string::npos)
                throw std::runtime_error("TRegExpr(exec): broken");
        };
        return rules;
    };
    const auto reportsOf = [&](unsigned workers, std::string& disk) {
        for (std::size_t i = 0; i < files.size(); ++i)
            if (i % 7 != 5) WriteBytes(files[i], contents[i]);
        std::unique_ptr<FakeRules> single = make();
        FileListCorrection correction(*single);
        std::vector<std::string> lines;
        correction.onFileDone = [&](const FileReport& report) {
            lines.push_back(report.path.filename().string() + " " +
                            std::to_string(static_cast<int>(report.verdict)) + " " +
                            std::to_string(static_cast<int>(report.result.outcome)) + " " +
                            report.error);
        };
        std::size_t lastDone = 0;
        correction.onProgress = [&](std::size_t done, std::size_t) { EXPECT_EQ(done, ++lastDone); };
        const FileListCorrection::Summary summary =
            workers == 0
                ? correction.Run(files)
                : correction.RunParallel(
                      files, [&]() -> std::unique_ptr<TextRules> { return make(); }, workers);
        EXPECT_TRUE(summary.failed);
        EXPECT_EQ(summary.done, 42u);
        disk.clear();
        for (std::size_t i = 0; i < files.size(); ++i)
            if (i % 7 != 5) disk += ReadBytes(files[i]) + "|";
        return lines;
    };
    std::string sequentialDisk;
    const std::vector<std::string> sequential = reportsOf(0, sequentialDisk);
    ASSERT_EQ(sequential.size(), 42u);
    EXPECT_NE(sequential.back().find("TRegExpr(exec): broken"), std::string::npos);
    EXPECT_NE(sequentialDisk.find("color|"), std::string::npos);
    EXPECT_NE(sequentialDisk.find("colour|"), std::string::npos);  // after the failing file
    for (const unsigned workers : {2u, 3u, 8u}) {
        SCOPED_TRACE(workers);
        for (int round = 0; round < 5; ++round) {
            std::string disk;
            EXPECT_EQ(reportsOf(workers, disk), sequential);
            EXPECT_EQ(disk, sequentialDisk);
        }
    }
}

}  // namespace
}  // namespace qx
