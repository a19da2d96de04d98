// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/FileCorrection.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "engine/TReplaceConditions.h"
#include "engine/UniqueFd.h"
#include "tests/engine/CorrectionDoubles.h"
#include "tests/engine/EngineDoubles.h"

namespace qx {
namespace {

using test::Cp;
using test::FakeRules;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;
using namespace std::string_literals;

const std::string kBom = "\xEF\xBB\xBF";
const std::string kChinese = "\xE4\xB8\xAD";  // U+4E2D, not in windows-1251

// True when another open file description can take the exclusive lock right now.
bool CanLock(const std::filesystem::path& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return fd.Valid() && ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0;
}

struct EncodingRow {
    const char* name;
    std::string before;
    bool utf8Option;
    CorrectionOutcome outcome;
    std::string after;  // the file's bytes afterwards
};

TEST(CorrectFile, WritesBackInTheFilesOwnEncodingOnlyWhenChanged) {
    // The same rules throughout: "мир" becomes "свет", "ascii" becomes "ASCII", "н" "Н".
    const std::string utf8Decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    const std::string cpDecl = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>";
    const EncodingRow rows[] = {
        {"UTF-8 with BOM keeps it", kBom + "Привет, мир", false, CorrectionOutcome::Rewritten,
         kBom + "Привет, свет"},
        {"UTF-8 without BOM gains none", "Привет, мир", true, CorrectionOutcome::Rewritten,
         "Привет, свет"},
        {"windows-1251 stays windows-1251", Cp("Привет, мир"), false, CorrectionOutcome::Rewritten,
         Cp("Привет, свет")},
        {"windows-1251 Cyrillic under the UTF-8 option is left", Cp("Привет, мир"), true,
         CorrectionOutcome::NotDecodable, Cp("Привет, мир")},
        {"windows-1251 ASCII under the UTF-8 option is corrected", "plain ascii", true,
         CorrectionOutcome::Rewritten, "plain ASCII"},
        {"blank line then a UTF-8 declaration", "\r\n" + utf8Decl + "<a>мир</a>", false,
         CorrectionOutcome::Rewritten, "\r\n" + utf8Decl + "<a>свет</a>"},
        {"a windows-1251 declaration", cpDecl + Cp("<a>мир</a>"), false,
         CorrectionOutcome::Rewritten, cpDecl + Cp("<a>свет</a>")},
        // As Linux editors write it: no mark, no declaration, valid UTF-8.
        {"UTF-8 without a mark is read as UTF-8", "Привет, мир\n", false,
         CorrectionOutcome::Rewritten, "Привет, свет\n"},
        {"a declaration without encoding leaves it to the bytes",
         "<?xml version=\"1.0\"?><a>мир</a>", false, CorrectionOutcome::Rewritten,
         "<?xml version=\"1.0\"?><a>свет</a>"},
        // "РЅ" in windows-1251 is D0 BD, which is "н" in UTF-8: valid UTF-8 wins.
        {"windows-1251 bytes that form valid UTF-8 are read as UTF-8", Cp("РЅ"), false,
         CorrectionOutcome::Rewritten, "Н"},
        {"a windows-1251 declaration wins over bytes that form UTF-8", cpDecl + Cp("<a>РЅ</a>"),
         false, CorrectionOutcome::Unchanged, cpDecl + Cp("<a>РЅ</a>")},
        {"a lone windows-1251 letter is no UTF-8", Cp("Я мир"), false, CorrectionOutcome::Rewritten,
         Cp("Я свет")},
        {"UTF-8 without a mark holding a character windows-1251 lacks is left", "мир " + kChinese,
         false, CorrectionOutcome::WouldLoseCharacters, "мир " + kChinese},
        {"a character windows-1251 lacks leaves the file as it was", kBom + "мир " + kChinese,
         false, CorrectionOutcome::WouldLoseCharacters, kBom + "мир " + kChinese},
        {"nothing after the BOM", kBom, false, CorrectionOutcome::NotDecodable, kBom},
        {"empty file", "", true, CorrectionOutcome::Empty, ""},
        {"no rule matches", Cp("Привет"), false, CorrectionOutcome::Unchanged, Cp("Привет")},
        {"zero bytes", Cp("\0мир\0мир\0"s), false, CorrectionOutcome::Rewritten,
         Cp("\0свет\0свет\0"s)},
    };
    TempFolder folder;
    for (const EncodingRow& row : rows) {
        SCOPED_TRACE(row.name);
        const auto path = folder / "text.txt";
        WriteBytes(path, row.before);
        FakeRules rules{{"мир", "свет"}, {"ascii", "ASCII"}, {"н", "Н"}};
        const CorrectionResult result = CorrectFile(path, nullptr, row.utf8Option, rules);
        EXPECT_EQ(result.outcome, row.outcome);
        EXPECT_EQ(ReadBytes(path), row.after);
        EXPECT_EQ(result.Handled(), result.reason.empty()) << result.reason;
    }
}

TEST(CorrectFile, ShrinkingCutsTheFileToTheNewLength) {
    TempFolder folder;
    const auto path = folder / "long.txt";
    WriteBytes(path, std::string(100000, 'x') + "tail");
    FakeRules rules{{"x", ""}};
    EXPECT_EQ(CorrectFile(path, nullptr, false, rules).outcome, CorrectionOutcome::Rewritten);
    EXPECT_EQ(ReadBytes(path), "tail");
}

TEST(CorrectFile, ALargeUtf8FileIsEncodedBackWhole) {
    // Several megabytes: the UTF-8 form is written a piece at a time, and characters of two and
    // three bytes ("№" is U+2116) straddle the pieces.
    std::string before = kBom;
    std::string after = kBom;
    for (int i = 0; i < 300000; ++i) {
        before += "мир №" + std::to_string(i) + "\n";
        after += "свет №" + std::to_string(i) + "\n";
    }
    TempFolder folder;
    const auto path = folder / "large.txt";
    WriteBytes(path, before);
    FakeRules rules{{"мир", "свет"}};
    EXPECT_EQ(CorrectFile(path, nullptr, false, rules).outcome, CorrectionOutcome::Rewritten);
    EXPECT_TRUE(ReadBytes(path) == after);
}

// The engine's rules, with or without the look through a large file a piece at a time (without
// it, every file is read whole), counting the texts they are applied to.
class ScanOrNot final : public TextRules {
public:
    ScanOrNot(TextRules& rules, bool scan) : rules_(rules), scan_(scan) {}
    bool Apply(std::string_view text, std::string& corrected) override {
        ++applied;
        return rules_.Apply(text, corrected);
    }
    std::size_t ActiveRuleCount() const override { return rules_.ActiveRuleCount(); }
    void SetCurrentFileName(std::string name) override { rules_.SetCurrentFileName(name); }
    std::unique_ptr<TextScan> StartScan() override { return scan_ ? rules_.StartScan() : nullptr; }
    int applied = 0;

private:
    TextRules& rules_;
    bool scan_;
};

TEST(CorrectFile, ALargeFileLookedThroughInPiecesEndsAsWhenReadWhole) {
    // Over 4 MiB in both encodings, so that it is scanned first; the pieces are 256 KiB, and the
    // Cyrillic text cuts two-byte characters (and "№", three bytes) at their ends.
    const std::string line = "Съешь же ещё этих мягких французских булок, №5 fox\n";
    std::string utf8;
    while (utf8.size() < (std::size_t{8} << 20)) utf8 += line;
    const std::string cp = Cp(utf8);
    const std::size_t piece = std::size_t{256} << 10;
    const auto at = [](std::string text, std::size_t pos, const std::string& what) {
        return text.insert(pos, what);
    };
    const struct {
        const char* name;
        std::string bytes;
        CorrectionOutcome outcome;
    } rows[] = {
        {"UTF-8, nothing to replace", utf8, CorrectionOutcome::Unchanged},
        {"windows-1251, nothing", cp, CorrectionOutcome::Unchanged},
        {"byte-order mark, nothing", kBom + utf8, CorrectionOutcome::Unchanged},
        {"a match across a piece's end", at(utf8, piece - 2, "qz12"), CorrectionOutcome::Rewritten},
        {"a match at the very end", utf8 + "ZQXJ", CorrectionOutcome::Rewritten},
        {"windows-1251, a Cyrillic match across pieces", at(cp, 2 * piece - 1, Cp("ЖЖЖЖ")),
         CorrectionOutcome::Rewritten},
        {"byte-order mark, a match at the end", kBom + utf8 + "qz7", CorrectionOutcome::Rewritten},
        // Not UTF-8 after all: windows-1251, whose bytes hold a match of their own.
        {"no UTF-8 near the end", at(utf8 + "\xFF", 1000, "zqxj"), CorrectionOutcome::Rewritten},
        {"no UTF-8 near the end, nothing", utf8 + "\xFF", CorrectionOutcome::Unchanged},
        {"a character the code page lacks", utf8 + kChinese,
         CorrectionOutcome::WouldLoseCharacters},
        {"declared UTF-8, broken", "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + utf8 + "\xC0",
         CorrectionOutcome::NotDecodable},
    };
    test::ListRows list;
    list.Add("zqxj", "y");
    list.Add(Cp("жжжж"), "y");
    list.Add("qz(\\d+)", "$1", "r");
    test::RecordingSinks sinks;
    RuleEngine engine(list, sinks);
    engine.Prepare();
    EngineRules rules(engine, kReplaceAll | kIgnoreCase);
    TempFolder folder;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto first = folder / "scanned.txt";
        const auto second = folder / "whole.txt";
        WriteBytes(first, row.bytes);
        WriteBytes(second, row.bytes);
        ScanOrNot scanned(rules, true);
        ScanOrNot whole(rules, false);
        EXPECT_EQ(CorrectFile(first, nullptr, false, scanned).outcome, row.outcome);
        EXPECT_EQ(CorrectFile(second, nullptr, false, whole).outcome, row.outcome);
        EXPECT_TRUE(ReadBytes(first) == ReadBytes(second));
        EXPECT_EQ(row.outcome == CorrectionOutcome::Rewritten, ReadBytes(first) != row.bytes);
        // A file the rules leave as it is was never read whole.
        if (row.outcome == CorrectionOutcome::Unchanged) {
            EXPECT_EQ(scanned.applied, 0);
        }
    }
}

TEST(CorrectFile, LostCharactersAreRefusedBeforeAnyRuleRuns) {
    // No rule may record replacements that never reach the file.
    TempFolder folder;
    const auto path = folder / "mixed.txt";
    WriteBytes(path, "мир " + kChinese);
    FakeRules rules{{"мир", "свет"}};
    const CorrectionResult result = CorrectFile(path, nullptr, true, rules);
    EXPECT_EQ(result.outcome, CorrectionOutcome::WouldLoseCharacters);
    EXPECT_TRUE(result.ShouldReport());
    EXPECT_NE(result.reason.find("windows-1251"), std::string::npos) << result.reason;
    EXPECT_EQ(rules.applyCalls, 0);
}

TEST(CorrectFile, AnUnchangedFileKeepsItsModificationTime) {
    TempFolder folder;
    const auto path = folder / "old.txt";
    WriteBytes(path, "nothing to do here");
    const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);

    FakeRules rules{{"absent", "present"}};
    EXPECT_EQ(CorrectFile(path, nullptr, false, rules).outcome, CorrectionOutcome::Unchanged);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1000000000);

    FakeRules changing{{"nothing", "something"}};
    EXPECT_EQ(CorrectFile(path, nullptr, false, changing).outcome, CorrectionOutcome::Rewritten);
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_GT(info.st_mtim.tv_sec, 1000000000);
}

TEST(CorrectFile, RewritesInPlaceKeepingInodeModeAndHardLinks) {
    TempFolder folder;
    const auto path = folder / "file.txt";
    const auto link = folder / "link.txt";
    WriteBytes(path, "one two");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(::link(path.c_str(), link.c_str()), 0);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    FakeRules rules{{"two", "three and more"}};
    EXPECT_EQ(CorrectFile(path, nullptr, false, rules).outcome, CorrectionOutcome::Rewritten);

    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadBytes(link), "one three and more");
}

TEST(CorrectFile, ASymbolicLinkCorrectsItsTargetAndStaysALink) {
    TempFolder folder;
    const auto target = folder / "target.txt";
    const auto link = folder / "link.txt";
    WriteBytes(target, "abc");
    std::filesystem::create_symlink(target, link);
    FakeRules rules{{"b", "B"}};
    EXPECT_EQ(CorrectFile(link, nullptr, false, rules).outcome, CorrectionOutcome::Rewritten);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(target), "aBc");
}

TEST(CorrectFile, HoldsTheLockWhileTheRulesRun) {
    TempFolder folder;
    const auto path = folder / "busy.txt";
    WriteBytes(path, "abc");
    FakeRules rules{{"a", "b"}};
    bool lockedMeanwhile = false;
    rules.beforeApply = [&] { lockedMeanwhile = !CanLock(path); };
    CorrectFile(path, nullptr, false, rules);
    EXPECT_TRUE(lockedMeanwhile);
    EXPECT_TRUE(CanLock(path));
}

TEST(CorrectFile, RuleErrorsPropagateWithTheFileClosedAndUnwritten) {
    TempFolder folder;
    const auto path = folder / "text.txt";
    WriteBytes(path, "abc");
    FakeRules rules{{"a", "b"}};
    rules.beforeApply = [] { throw std::runtime_error("TRegExpr(comp): bad"); };
    EXPECT_THROW(CorrectFile(path, nullptr, false, rules), std::runtime_error);
    EXPECT_EQ(ReadBytes(path), "abc");
    EXPECT_TRUE(CanLock(path));  // the descriptor was closed on the way out
}

TEST(CorrectFile, ConditionsSeeTheDecodedTextBeforeAnyRule) {
    TempFolder folder;
    const auto path = folder / "text.txt";
    TReplaceConditions conditions;
    conditions.ReplaceGroup = true;
    conditions.ReplaceIfContains = true;
    conditions.ReplaceIfContainsText = Cp("ПРИВЕТ");

    WriteBytes(path, kBom + "привет, мир");
    FakeRules rules{{"мир", "свет"}};
    EXPECT_EQ(CorrectFile(path, &conditions, false, rules).outcome, CorrectionOutcome::Rewritten);
    EXPECT_EQ(ReadBytes(path), kBom + "привет, свет");

    WriteBytes(path, "пока, мир");
    FakeRules refused{{"мир", "свет"}};
    EXPECT_EQ(CorrectFile(path, &conditions, true, refused).outcome,
              CorrectionOutcome::RefusedByConditions);
    EXPECT_EQ(refused.applyCalls, 0);
    EXPECT_EQ(ReadBytes(path), "пока, мир");
}

TEST(CorrectFile, WithTheRuleEngineRecordsCarryTheCallersFileName) {
    TempFolder folder;
    const auto path = folder / "text.txt";
    WriteBytes(path, kBom + "Мир и мир");
    test::ListRows rows;
    rows.Add(Cp("мир"), Cp("свет"));
    test::RecordingSinks sinks;
    RuleEngine engine(rows, sinks);
    engine.SetCurrentFileName("text.txt");
    EXPECT_EQ(CorrectFile(path, kReplaceAll | kIgnoreCase, nullptr, false, engine).outcome,
              CorrectionOutcome::Rewritten);
    EXPECT_EQ(ReadBytes(path), kBom + "свет и свет");
    ASSERT_EQ(sinks.records.size(), 2u);
    EXPECT_EQ(sinks.records[0].fileName, "text.txt");

    // An invalid expression ends the correction with the engine's error; the file stays.
    rows.Add("(", "x", "r");
    EXPECT_THROW(CorrectFile(path, kReplaceAll, nullptr, false, engine), std::exception);
    EXPECT_EQ(ReadBytes(path), kBom + "свет и свет");
    EXPECT_TRUE(CanLock(path));
}

struct RefusalRow {
    const char* name;
    std::function<std::filesystem::path(const TempFolder&)> make;
    CorrectionOutcome outcome;
};

TEST(CorrectFile, SkipsWhatItMustNotTouchWithoutRunningTheRules) {
    // Held on the locked file and the socket for the whole test.
    UniqueFd lockHolder;
    UniqueFd socketHolder;
    const RefusalRow rows[] = {
        {"missing", [](const TempFolder& f) { return f / "absent.txt"; },
         CorrectionOutcome::Missing},
        {"inside a missing folder", [](const TempFolder& f) { return f / "absent" / "a.txt"; },
         CorrectionOutcome::Missing},
        {"no write bit (also for the super-user)",
         [](const TempFolder& f) {
             WriteBytes(f / "ro.txt", "abc");
             ::chmod((f / "ro.txt").c_str(), 0444);
             return f / "ro.txt";
         },
         CorrectionOutcome::ReadOnly},
        {"locked by another process",
         [&](const TempFolder& f) {
             WriteBytes(f / "locked.txt", "abc");
             lockHolder = UniqueFd(::open((f / "locked.txt").c_str(), O_RDONLY | O_CLOEXEC));
             ::flock(lockHolder.Get(), LOCK_EX | LOCK_NB);
             return f / "locked.txt";
         },
         CorrectionOutcome::Locked},
        {"a folder",
         [](const TempFolder& f) {
             std::filesystem::create_directory(f / "dir");
             return f / "dir";
         },
         CorrectionOutcome::NotRegularFile},
        {"a named pipe with no writer (opening it for reading would hang)",
         [](const TempFolder& f) {
             ::mkfifo((f / "pipe").c_str(), 0666);
             return f / "pipe";
         },
         CorrectionOutcome::NotRegularFile},
        {"a socket",
         [&](const TempFolder& f) {
             const auto path = f / "socket";
             socketHolder = UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
             ::bind(socketHolder.Get(), reinterpret_cast<const sockaddr*>(&address),
                    sizeof(address));
             return path;
         },
         CorrectionOutcome::NotRegularFile},
        {"a device", [](const TempFolder&) { return std::filesystem::path("/dev/null"); },
         CorrectionOutcome::NotRegularFile},
    };
    // A hang would otherwise stall the whole test run.
    ::alarm(20);
    for (const RefusalRow& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        const auto path = row.make(folder);
        const bool regular = std::filesystem::is_regular_file(path);
        const std::string before = regular ? ReadBytes(path) : std::string();
        FakeRules rules{{"a", "b"}};
        const CorrectionResult result = CorrectFile(path, nullptr, false, rules);
        EXPECT_EQ(result.outcome, row.outcome);
        EXPECT_FALSE(result.Handled());
        EXPECT_FALSE(result.reason.empty());
        EXPECT_EQ(rules.applyCalls, 0);
        if (regular) {
            EXPECT_EQ(ReadBytes(path), before);
        }
    }
    ::alarm(0);
}

// Runs `body` in a child process under a file-size limit; its exit code, or -signal when a
// signal ended it.
int RunLimited(rlim_t limit, bool ignoreSignal, const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit size{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &size) != 0) ::_exit(100);
        if (ignoreSignal) ::signal(SIGXFSZ, SIG_IGN);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

TEST(CorrectFile, AFileSizeLimitLeavesTheOriginalBytes) {
    // With the signal at its default the process itself must survive the limit too.
    for (const bool ignoreSignal : {true, false}) {
        SCOPED_TRACE(ignoreSignal ? "SIGXFSZ ignored" : "SIGXFSZ default");
        TempFolder folder;
        const auto path = folder / "grows.txt";
        const std::string original = kBom + std::string(5000, 'a') + "мир";
        WriteBytes(path, original);
        const int code = RunLimited(original.size() + 16, ignoreSignal, [&] {
            FakeRules rules{{"a", "aa"}};
            const CorrectionResult result = CorrectFile(path, nullptr, false, rules);
            if (result.outcome != CorrectionOutcome::WriteFailed) return 1;
            if (result.reason.find("восстановлено") == std::string::npos) return 2;
            return 0;
        });
        EXPECT_EQ(code, 0);
        EXPECT_EQ(ReadBytes(path), original);
    }
}

}  // namespace
}  // namespace qx
