// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/CorrectionPreview.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "batch/ChangedPlaces.h"
#include "batch/FileListCorrection.h"
#include "engine/EngineRules.h"
#include "engine/RuleEngine.h"
#include "tests/engine/CorrectionDoubles.h"
#include "tests/engine/EngineDoubles.h"

namespace qx {
namespace {

using namespace test;
using Verdict = FilePreview::Verdict;

struct Sample {
    const char* name;
    std::string bytes;
    Verdict verdict;
    std::size_t replacements;
    const char* reason;  // the start of it, for skipped files
    bool notXml;         // left only because its xPath rule found no XML document
};

std::vector<Sample> Samples() {
    return {
        {"cp1251.txt", Cp("colour: цвет, colour\r\n"), Verdict::WouldChange, 2, "", false},
        {"utf8.txt", "a\nb\ncolour \xD1\x91\n", Verdict::WouldChange, 1, "", false},
        {"bom.txt",
         "\xEF\xBB\xBF"
         "colour \xD0\xB6",
         Verdict::WouldChange, 1, "", false},
        {"doc.xml", "<?xml version=\"1.0\"?>\n<r><t>old</t><u>old</u></r>\n", Verdict::WouldChange,
         1, "", false},
        {"same.xml", "<r><u>old colo</u></r>", Verdict::Unchanged, 0, "", false},
        {"lossy.txt",
         "\xEF\xBB\xBF"
         "colour \xE2\x98\xBA",
         Verdict::Skipped, 0, "текст оставлен без изменений", false},
        {"readonly.txt", "colour", Verdict::Skipped, 0, "файл только для чтения", false},
        {"notxml.htm", "<p>old</p><p>", Verdict::Skipped, 0, "Doc.loadXML failed", true},
    };
}

struct Rules {
    ListRows rows;
    Rules() {
        rows.Add("colour", "color");
        rows.Add("old", "new", "", 1, "//t");
    }
};

std::vector<std::filesystem::path> WriteSamples(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    std::vector<std::filesystem::path> paths;
    for (const Sample& sample : Samples()) {
        paths.push_back(folder / sample.name);
        WriteBytes(paths.back(), sample.bytes);
        if (std::string_view(sample.name) == "readonly.txt")
            std::filesystem::permissions(paths.back(), std::filesystem::perms::owner_read);
    }
    return paths;
}

struct timespec Mtime(const std::filesystem::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mtim;
}

TEST(CorrectionPreview, WritesNothingAndWritingAfterItGivesTheBytesOfADirectRun) {
    TempFolder folder;
    const std::vector<Sample> samples = Samples();
    const std::vector<std::filesystem::path> paths = WriteSamples(folder / "preview");
    const std::vector<std::filesystem::path> direct = WriteSamples(folder / "direct");
    std::vector<struct timespec> before;
    for (const auto& path : paths) before.push_back(Mtime(path));

    Rules rules;
    CorrectionPreview preview(nullptr, false);
    RuleEngine engine(rules.rows, preview.Sinks());
    EngineRules engineRules(engine, kReplaceAll);
    std::map<std::filesystem::path, FileFingerprint> shown;
    for (std::size_t k = 0; k < samples.size(); ++k) {
        SCOPED_TRACE(samples[k].name);
        const FilePreview file = preview.Preview(paths[k], engineRules);
        EXPECT_EQ(file.verdict, samples[k].verdict);
        EXPECT_EQ(file.replacements, samples[k].replacements);
        EXPECT_TRUE(file.reason.starts_with(samples[k].reason)) << file.reason;
        EXPECT_EQ(file.notXml, samples[k].notXml);
        EXPECT_EQ(file.places.hunks.empty(), file.verdict != Verdict::WouldChange);
        EXPECT_EQ(ReadBytes(paths[k]), samples[k].bytes);
        EXPECT_EQ(Mtime(paths[k]).tv_sec, before[k].tv_sec);
        EXPECT_EQ(Mtime(paths[k]).tv_nsec, before[k].tv_nsec);
        if (file.verdict == Verdict::WouldChange) shown[paths[k]] = file.fingerprint;
    }
    ASSERT_EQ(shown.size(), 4u);

    // The text of the UTF-8 file's change, as the preview shows it.
    const ChangedPlaces utf8 = preview.Preview(paths[1], engineRules).places;
    ASSERT_EQ(utf8.hunks.size(), 1u);
    ASSERT_EQ(utf8.hunks[0].lines.size(), 4u);
    EXPECT_EQ(utf8.hunks[0].lines[2].text, Cp("colour ё\n"));
    EXPECT_EQ(utf8.hunks[0].lines[3].text, Cp("color ё\n"));
    EXPECT_EQ(utf8.hunks[0].lines[3].number, 3u);

    // A file edited since the preview is left alone by the write that follows it.
    const std::filesystem::path edited = folder / "preview" / "cp1251.txt";
    WriteBytes(edited, Cp("colour, edited\r\n"));

    const auto run = [&](const std::vector<std::filesystem::path>& files, bool guarded) {
        RecordingSinks sinks;
        RuleEngine runEngine(rules.rows, sinks);
        EngineRules runRules(runEngine, kReplaceAll);
        FileListCorrection loop(runRules);
        std::set<std::filesystem::path> changedSince;
        if (guarded)
            loop.makeBackup = [&](const std::filesystem::path& path, std::string_view bytes) {
                const int error = CorrectionPreview::Unchanged(shown.at(path), path, bytes);
                if (error == CorrectionPreview::kChangedSince) changedSince.insert(path);
                return error;
            };
        loop.Run(files);
        return changedSince;
    };
    std::vector<std::filesystem::path> toWrite;
    for (const auto& [path, fingerprint] : shown) toWrite.push_back(path);
    EXPECT_EQ(run(toWrite, true), std::set<std::filesystem::path>{edited});
    run(direct, false);
    for (std::size_t k = 1; k < samples.size(); ++k) {
        SCOPED_TRACE(samples[k].name);
        EXPECT_EQ(ReadBytes(paths[k]), ReadBytes(direct[k]));
    }
    EXPECT_EQ(ReadBytes(edited), Cp("colour, edited\r\n"));
    EXPECT_EQ(ReadBytes(folder / "preview" / "doc.xml"),
              "<?xml version=\"1.0\"?>\n<r><t>new</t><u>old</u></r>\n");
}

std::string Lines(std::size_t count, std::string_view prefix = "line ") {
    std::string text;
    for (std::size_t k = 1; k <= count; ++k) text += std::string(prefix) + std::to_string(k) + "\n";
    return text;
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

// Each hunk as "@@ -start,count +start,count" and its lines, the marked characters in [].
std::string Show(const ChangedPlaces& places) {
    std::string out;
    for (const ChangedPlaces::Hunk& hunk : places.hunks) {
        out += "@@ -" + std::to_string(hunk.oldStart) + "," + std::to_string(hunk.oldCount) + " +" +
               std::to_string(hunk.newStart) + "," + std::to_string(hunk.newCount) + "\n";
        for (const ChangedPlaces::Line& line : hunk.lines) {
            std::string text = line.text;
            if (line.markTo > line.markFrom) {
                text.insert(line.markTo, "]");
                text.insert(line.markFrom, "[");
            }
            out += static_cast<char>(line.kind);
            if (line.cutBefore) out += "...";
            out += text;
            if (line.cutAfter) out += "...\n";
        }
    }
    return out;
}

TEST(ChangedPlaces, ShowsEachChangeWithItsContextAndItsChangedCharacters) {
    const std::string twenty = Lines(20);
    const std::string longLine = std::string(1000, 'a') + "OLD" + std::string(1000, 'b') + "\n";
    const struct {
        const char* what;
        std::string before, after, shown;
    } rows[] = {
        {"one word in the middle", twenty, Replaced(twenty, "line 10", "LINE 10"),
         "@@ -7,7 +7,7\n line 7\n line 8\n line 9\n-[line] 10\n+[LINE] 10\n line 11\n"
         " line 12\n line 13\n"},
        {"changes near each other share a hunk", twenty,
         Replaced(Replaced(twenty, "line 5\n", "line five\n"), "line 9\n", "line nine\n"),
         "@@ -2,11 +2,11\n line 2\n line 3\n line 4\n-line [5]\n+line [five]\n line 6\n"
         " line 7\n line 8\n-line [9]\n+line [nine]\n line 10\n line 11\n line 12\n"},
        {"far apart, two hunks", Lines(12), Replaced(Replaced(Lines(12), "1\n", "1!\n"), "12", "X"),
         "@@ -1,4 +1,4\n-line 1\n+line 1[!]\n line 2\n line 3\n line 4\n"
         "@@ -9,4 +9,4\n line 9\n line 10\n line 11\n-line [12]\n+line [X]\n"},
        {"a line split in two, CR LF kept", "a\r\nb c\r\nd\r\n", "a\r\nb\r\nc\r\nd\r\n",
         "@@ -1,3 +1,4\n a\r\n-b[ c]\r\n+b\r\n+[c]\r\n d\r\n"},
        {"a line removed, no line break at the end", "x\ny\nz", "x\nz",
         "@@ -1,3 +1,2\n x\n-[y]\n z"},
        {"a long line shown around its change", longLine, Replaced(longLine, "OLD", "NEW"),
         "@@ -1,1 +1,1\n-..." + std::string(80, 'a') + "[OLD]" + std::string(80, 'b') +
             "...\n+..." + std::string(80, 'a') + "[NEW]" + std::string(80, 'b') + "...\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const ChangedPlaces places = FindChangedPlaces(row.before, row.after);
        EXPECT_EQ(Show(places), row.shown);
        EXPECT_FALSE(places.truncated);
    }
}

TEST(ChangedPlaces, KeepsWithinItsBoundsHoweverMuchChanged) {
    // Every line of a large text changed, and the line count too: far beyond what the shortest
    // difference is looked for, and far beyond what is kept.
    const std::string before = Lines(20000, std::string(100, 'x') + " ");
    std::string after = "new first line\n" + before;
    for (std::size_t at = 0; (at = after.find(" 1", at)) != std::string::npos;) after[++at] = '9';
    const ChangedPlaces places = FindChangedPlaces(before, after);
    EXPECT_TRUE(places.truncated);
    std::size_t bytes = 0;
    for (const auto& hunk : places.hunks)
        for (const auto& line : hunk.lines) bytes += line.text.size();
    EXPECT_LE(bytes, ChangedPlaces::kMaxBytes);
    EXPECT_LE(places.hunks.size(), ChangedPlaces::kMaxHunks);
    EXPECT_GE(places.places, 1u);

    // Many separate small changes: each counted, the first ones kept.
    std::string spaced = Lines(2000);
    std::string edited = spaced;
    for (std::size_t k = 10; k <= 2000; k += 10)
        edited = Replaced(edited, "line " + std::to_string(k) + "\n",
                          "LINE " + std::to_string(k) + "\n");
    const ChangedPlaces many = FindChangedPlaces(spaced, edited);
    EXPECT_EQ(many.places, 200u);
    EXPECT_EQ(many.hunks.size(), ChangedPlaces::kMaxHunks);
    EXPECT_TRUE(many.truncated);
}

}  // namespace
}  // namespace qx
