// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/RunJournal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <set>
#include <string>
#include <vector>

#include "batch/FileListCorrection.h"
#include "batch/JournalUndo.h"
#include "engine/EngineRules.h"
#include "engine/RuleEngine.h"
#include "tests/engine/CorrectionDoubles.h"
#include "tests/engine/EngineDoubles.h"

namespace qx {
namespace {

using namespace test;

struct Sample {
    const char* name;
    std::string before;
    bool changes;      // the rules change it
    bool editedAfter;  // someone else changes it after the run
};

// Files in the encodings the program writes, one of them rewritten under an xPath rule.
std::vector<Sample> Samples() {
    return {
        {"cp1251.txt", Cp("colour: цвет\r\n"), true, false},
        {"utf8.txt", "colour \xD1\x91\xD0\xB6\n", true, false},
        {"bom.txt",
         "\xEF\xBB\xBF"
         "colour \xD0\xB6",
         true, false},
        {"doc.xml", "<?xml version=\"1.0\"?>\n<r><t>old</t><u>old</u></r>\n", true, false},
        {"edited.txt", "colour x", true, true},
        {"same.txt", "nothing to do", false, false},
    };
}

// The window's rules over real files: a plain rule and one that acts inside //t only.
struct Correction {
    ListRows rows;
    RecordingSinks sinks;
    RuleEngine engine{rows, sinks};
    EngineRules rules{engine, kReplaceAll};
    FileListCorrection loop{rules};
    Correction() {
        rows.Add("colour", "color");
        rows.Add("old", "new", "", 1, "//t");
    }
};

std::vector<std::filesystem::path> WriteSamples(const TempFolder& folder,
                                                const std::vector<Sample>& samples) {
    std::vector<std::filesystem::path> paths;
    for (const Sample& sample : samples) {
        paths.push_back(folder / sample.name);
        WriteBytes(paths.back(), sample.before);
    }
    return paths;
}

TEST(RunJournal, UndoPutsBackEveryFileTheRunWroteAndLeavesLaterEditsAlone) {
    TempFolder folder;
    const std::filesystem::path journalFolder = folder / "state";
    const std::vector<Sample> samples = Samples();
    const std::vector<std::filesystem::path> paths = WriteSamples(folder, samples);
    struct stat sameBefore {};
    ASSERT_EQ(::stat(paths.back().c_str(), &sameBefore), 0);

    Correction correction;
    RunJournal journal(journalFolder, 1 << 20);
    journal.Attach(correction.loop);
    std::size_t reports = 0;
    correction.loop.onFileDone = [&, journaled =
                                         correction.loop.onFileDone](const FileReport& report) {
        journaled(report);
        ++reports;
    };
    correction.loop.Run(paths);
    journal.Finish();
    EXPECT_EQ(reports, samples.size());

    for (std::size_t k = 0; k < samples.size(); ++k) {
        SCOPED_TRACE(samples[k].name);
        EXPECT_EQ(ReadBytes(paths[k]) != samples[k].before, samples[k].changes);
    }
    EXPECT_EQ(ReadBytes(folder / "doc.xml"),
              "<?xml version=\"1.0\"?>\n<r><t>new</t><u>old</u></r>\n");
    WriteBytes(folder / "edited.txt", "edited by hand");

    JournalUndo undo(journalFolder);
    ASSERT_TRUE(undo.LastRun());
    EXPECT_EQ(undo.LastRun()->files, 5u);
    const UndoReport report = undo.UndoLast();
    EXPECT_FALSE(report.nothingToUndo);
    EXPECT_EQ(report.restored.size(), 4u);
    ASSERT_EQ(report.leftAlone.size(), 1u);
    EXPECT_EQ(report.leftAlone[0].first, folder / "edited.txt");
    EXPECT_EQ(report.leftAlone[0].second, "изменён после коррекции");
    for (std::size_t k = 0; k < samples.size(); ++k) {
        SCOPED_TRACE(samples[k].name);
        EXPECT_EQ(ReadBytes(paths[k]),
                  samples[k].editedAfter ? "edited by hand" : samples[k].before);
    }
    struct stat sameAfter {};
    ASSERT_EQ(::stat(paths.back().c_str(), &sameAfter), 0);
    EXPECT_EQ(sameAfter.st_mtim.tv_nsec, sameBefore.st_mtim.tv_nsec);
    EXPECT_EQ(sameAfter.st_mtim.tv_sec, sameBefore.st_mtim.tv_sec);

    // The run is gone from the journal: there is nothing more to undo.
    EXPECT_FALSE(undo.LastRun());
    EXPECT_TRUE(undo.UndoLast().nothingToUndo);
}

TEST(RunJournal, AJournalCutAnywhereStillUndoesEveryCompleteRecord) {
    TempFolder folder;
    const std::vector<Sample> all = Samples();
    const std::vector<Sample> samples(all.begin(), all.begin() + 3);
    const std::vector<std::filesystem::path> paths = WriteSamples(folder, samples);
    Correction correction;
    RunJournal journal(folder / "state", 1 << 20);
    journal.Attach(correction.loop);
    correction.loop.Run(paths);
    journal.Finish();
    const std::vector<std::filesystem::path> runs = RunJournal::Runs(folder / "state");
    ASSERT_EQ(runs.size(), 1u);
    const std::string whole = ReadBytes(runs[0]);
    std::vector<std::string> corrected;
    for (const std::filesystem::path& path : paths) corrected.push_back(ReadBytes(path));

    // Where each record ends: per file, its original and then its written record.
    std::vector<std::size_t> originalEnds, writtenEnds;
    std::size_t at = 8;
    for (std::size_t k = 0; k < paths.size(); ++k) {
        at += 16 + 12 + paths[k].native().size() + 32 + samples[k].before.size() + 32;
        originalEnds.push_back(at);
        at += 16 + 48 + 32;
        writtenEnds.push_back(at);
    }
    ASSERT_EQ(at, whole.size());

    // Every byte around each record's end, and a sample of the bytes inside the records.
    std::set<std::size_t> cuts;
    for (std::size_t cut = 0; cut <= whole.size(); cut += 11) cuts.insert(cut);
    for (const std::vector<std::size_t>* ends : {&originalEnds, &writtenEnds})
        for (const std::size_t end : *ends)
            for (std::size_t cut = end - 2; cut <= std::min(end + 2, whole.size()); ++cut)
                cuts.insert(cut);
    const std::filesystem::path cutFolder = folder / "cut";
    for (const std::size_t cut : cuts) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        std::filesystem::create_directories(cutFolder);
        WriteBytes(cutFolder / "run-00000001.qxj", whole.substr(0, cut));
        for (std::size_t k = 0; k < paths.size(); ++k) WriteBytes(paths[k], corrected[k]);

        const UndoReport report = JournalUndo(cutFolder).UndoLast();
        std::size_t restored = 0, unconfirmed = 0;
        for (std::size_t k = 0; k < paths.size(); ++k) {
            if (cut >= writtenEnds[k]) {
                ++restored;
                EXPECT_EQ(ReadBytes(paths[k]), samples[k].before);
            } else {
                // Without the record of what was written nobody can tell the run's bytes
                // from a later edit: the file stays as it is.
                if (cut >= originalEnds[k]) ++unconfirmed;
                EXPECT_EQ(ReadBytes(paths[k]), corrected[k]);
            }
        }
        EXPECT_EQ(report.restored.size(), restored);
        EXPECT_EQ(report.leftAlone.size(), unconfirmed);
        EXPECT_EQ(report.nothingToUndo, cut < originalEnds[0]);
        std::filesystem::remove_all(cutFolder);
    }

    // A damaged byte ends the journal at the record holding it.
    std::string damaged = whole;
    damaged[originalEnds[1] - 40] ^= 0x20;
    std::filesystem::create_directories(cutFolder);
    WriteBytes(cutFolder / "run-00000001.qxj", damaged);
    for (std::size_t k = 0; k < paths.size(); ++k) WriteBytes(paths[k], corrected[k]);
    EXPECT_EQ(JournalUndo(cutFolder).UndoLast().restored.size(), 1u);
    EXPECT_EQ(ReadBytes(paths[0]), samples[0].before);
    EXPECT_EQ(ReadBytes(paths[1]), corrected[1]);
}

TEST(RunJournal, KeepsTheNewestRunsWithinItsLimits) {
    TempFolder folder;
    const std::filesystem::path state = folder / "state";
    const std::filesystem::path file = folder / "a.txt";
    const std::string big(3000, 'a');
    // Each run keeps a 3000-byte original; the limit holds two of them, not three.
    for (int run = 0; run < 4; ++run) {
        RunJournal journal(state, 7000);
        ASSERT_EQ(journal.KeepOriginal(file, big), 0);
        journal.Finish();
    }
    std::vector<std::filesystem::path> runs = RunJournal::Runs(state);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].filename(), "run-00000003.qxj");
    EXPECT_EQ(runs[1].filename(), "run-00000004.qxj");

    // Small runs: at most kKeptRuns of them stay; a run larger than the limit stays alone.
    for (std::size_t run = 0; run < RunJournal::kKeptRuns + 2; ++run) {
        RunJournal journal(state, 1 << 20);
        ASSERT_EQ(journal.KeepOriginal(file, "x"), 0);
        journal.Finish();
    }
    EXPECT_EQ(RunJournal::Runs(state).size(), RunJournal::kKeptRuns);
    RunJournal huge(state, 100);
    EXPECT_FALSE(huge.Fits(3000));
    ASSERT_EQ(huge.KeepOriginal(file, big), 0);
    huge.Finish();
    runs = RunJournal::Runs(state);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(RunJournal::Read(runs[0]).at(0).size, big.size());
}

// A real kill, not a journal cut by hand: whatever the process had not handed to the system
// when it died is lost, and undo gets only what reached the journal file.
TEST(RunJournal, AProcessKilledDuringARunLeavesAJournalThatUndoesWhatItHolds) {
    TempFolder folder;
    std::vector<Sample> samples;
    for (int k = 0; k < 6; ++k)
        samples.push_back({"", "colour " + std::to_string(k) + "\n", true, false});
    std::vector<std::filesystem::path> paths;
    for (std::size_t k = 0; k < samples.size(); ++k) {
        paths.push_back(folder / ("f" + std::to_string(k) + ".txt"));
        WriteBytes(paths[k], samples[k].before);
    }
    constexpr std::size_t kKilledAfter = 3;
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        Correction correction;
        RunJournal journal(folder / "state", 1 << 20);
        journal.Attach(correction.loop);
        std::size_t done = 0;
        correction.loop.onFileDone = [&, journaled =
                                             correction.loop.onFileDone](const FileReport& report) {
            journaled(report);
            if (++done == kKilledAfter) ::raise(SIGKILL);
        };
        correction.loop.Run(paths);
        ::_exit(0);  // not reached
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    for (std::size_t k = 0; k < paths.size(); ++k)
        EXPECT_EQ(ReadBytes(paths[k]) == samples[k].before, k >= kKilledAfter) << k;

    const UndoReport report = JournalUndo(folder / "state").UndoLast();
    EXPECT_EQ(report.restored.size(), kKilledAfter);
    EXPECT_TRUE(report.leftAlone.empty());
    for (std::size_t k = 0; k < paths.size(); ++k)
        EXPECT_EQ(ReadBytes(paths[k]), samples[k].before);
}

}  // namespace
}  // namespace qx
