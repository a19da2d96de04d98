// SPDX-License-Identifier: GPL-3.0-or-later
// The built program in batch mode, on temporary folders: a copy of the executable sits in its
// own program folder, so that bare argument names and the absence of saved state can be seen.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using qx::test::TempFolder;

constexpr char kHeader[] =
    "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<List xml:space=\"preserve\">\r\n";
constexpr char kFooter[] = "</List>\r\n";

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

struct RunResult {
    int status = -1;
    std::string errors;  // standard error
    std::string output;  // standard output
};

class BatchRun : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = root_.path() / "prog" / "qxquendro";
        fs::create_directories(program_.parent_path());
        fs::copy_file(QX_PROGRAM, program_);
        fs::create_directories(root_.path() / "cwd");
    }

    fs::path Prog(std::string_view name) const { return program_.parent_path() / name; }
    fs::path Path(std::string_view relative) const { return root_.path() / relative; }
    fs::path Write(std::string_view relative, std::string_view content) const {
        return root_.Write(relative, content);
    }
    static std::string Read(const fs::path& path) { return TempFolder::Read(path); }

    // Runs the copied program with these arguments from the folder "cwd".
    RunResult Run(const std::vector<std::string>& arguments) const {
        const fs::path errors = root_.path() / "stderr.txt";
        const fs::path output = root_.path() / "stdout.txt";
        // No display: batch mode must not need one.
        std::string command = "cd " + Quote(Path("cwd").native()) +
                              " && env -u DISPLAY -u WAYLAND_DISPLAY " + Quote(program_);
        for (const std::string& argument : arguments) command += " " + Quote(argument);
        command += " >" + Quote(output.native()) + " 2>" + Quote(errors.native());
        const int raw = std::system(command.c_str());
        RunResult result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.errors = Read(errors);
        result.output = Read(output);
        return result;
    }

    // Every file under the temporary root whose name ends with `suffix` or is `name`.
    std::vector<std::string> Found(std::string_view name) const {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(root_.path())) {
            const std::string file = entry.path().filename().native();
            if (file == name || (name.front() == '.' && file.ends_with(name))) {
                found.push_back(entry.path().native());
            }
        }
        return found;
    }

    static std::string Lines(int count) {
        return std::string(static_cast<std::size_t>(count), '\n');
    }

    TempFolder root_;
    fs::path program_;
};

std::string Item(std::string_view find, std::string_view replace, bool checked,
                 std::string_view extra = "") {
    std::string item = "  <Item> <Find>" + std::string(find) + "</Find> <Replace>" +
                       std::string(replace) + "</Replace> ";
    if (checked) item += " <Checked>1</Checked> ";
    item += extra;
    return item + " </Item>\r\n";
}

std::string List(const std::vector<std::string>& items) {
    std::string list = kHeader;
    for (const std::string& item : items) list += item;
    return list + kFooter;
}

TEST_F(BatchRun, PathsResolveAgainstProgramFolderAndFileListFolder) {
    Write("prog/rules.lst", List({Item("cat", "dog", true)}));
    const fs::path absolute = Write("elsewhere/abs.txt", "cat 3");
    Write("prog/files.txt",
          "one.txt\r\nsub/two.txt\r\r\n\n" + absolute.native() + "\rmissing.txt\nthree.txt");
    Write("prog/one.txt", "cat 1");
    Write("prog/sub/two.txt", "a cat 2");
    Write("prog/three.txt", "cat");
    // Decoys: relative lines are not relative to the current folder.
    Write("cwd/one.txt", "cat");
    Write("cwd/sub/two.txt", "cat");

    const RunResult run = Run({"files.txt", "rules.lst"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(Read(Prog("one.txt")), "dog 1");
    EXPECT_EQ(Read(Prog("sub/two.txt")), "a dog 2");
    EXPECT_EQ(Read(absolute), "dog 3");
    EXPECT_EQ(Read(Prog("three.txt")), "dog");
    EXPECT_EQ(Read(Path("cwd/one.txt")), "cat");
    EXPECT_EQ(Read(Path("cwd/sub/two.txt")), "cat");
    EXPECT_FALSE(fs::exists(Prog("missing.txt")));
    // Nothing saved, nothing backed up.
    EXPECT_EQ(Found(".bak"), std::vector<std::string>{});
    EXPECT_EQ(Found("Settings.xml"), std::vector<std::string>{});
    EXPECT_EQ(Found("Default.lst"), std::vector<std::string>{});
}

TEST_F(BatchRun, ArgumentsNotInProgramFolderComeFromCurrentFolder) {
    Write("cwd/rules.lst", List({Item("x", "y", true)}));
    Write("cwd/lists/files.txt", "data.txt\n");
    Write("cwd/lists/data.txt", "xx");
    Write("cwd/data.txt", "xx");
    const RunResult run = Run({"lists/files.txt", "rules.lst"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(Read(Path("cwd/lists/data.txt")), "yy");
    EXPECT_EQ(Read(Path("cwd/data.txt")), "xx");
}

TEST_F(BatchRun, FileListInASubfolderOfTheProgramFolder) {
    Write("prog/rules.lst", List({Item("x", "y", true)}));
    Write("prog/lists/files.txt", "data.txt\n");
    Write("prog/lists/data.txt", "xx");
    Write("prog/data.txt", "xx");
    const RunResult run = Run({"lists/files.txt", "rules.lst"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(Read(Prog("lists/data.txt")), "yy");
    EXPECT_EQ(Read(Prog("data.txt")), "xx");
}

TEST_F(BatchRun, XPathRulesLeaveFilesThatAreNoXmlDocumentAlone) {
    Write("prog/rules.lst", List({Item("draft", "final", true, "<xPath>//title/text()</xPath>"),
                                  Item("colour", "color", true)}));
    Write("prog/files.txt", "doc.xml\nnotes.txt\n");
    Write("prog/doc.xml", "<doc><title>draft</title><p>draft colour</p></doc>");
    Write("prog/notes.txt", "A draft in colour, <b>bold</b> draft\r\n");
    const RunResult run = Run({"files.txt", "rules.lst"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(Read(Prog("doc.xml")), "<doc><title>final</title><p>draft color</p></doc>");
    EXPECT_EQ(Read(Prog("notes.txt")), "A draft in color, <b>bold</b> draft\r\n");
}

TEST_F(BatchRun, RulesAsTheListFileMarksThem) {
    // Find texts are written in windows-1251: "дом" and "Кот".
    Write("prog/rules.lst", List({
                                Item("skip", "SKIPPED", false),
                                Item("abc", "xyz", true),
                                Item("\xe4\xee\xec", "\xe4\xe2\xee\xf0", true),  // дом -> двор
                                Item("(\\d+)px", "$1", true, " <Flags>r</Flags> "),
                                Item("q", "qq", true, " <Repeat>3</Repeat> "),
                                Item("n", "[nm].", true),
                                Item("old", "new", true, " <xPath>//b</xPath> "),
                            }));
    Write("prog/plain.txt", "skip ABC Abc 12px 7px");
    Write("prog/cyr.txt", "\xc4\xce\xcc \xe4\xee\xec");  // ДОМ дом
    Write("prog/repeat.txt", "q");
    Write("prog/numbers.txt", "NnN");
    Write("prog/doc.xml", "<r><a>old</a><b>old</b></r>");
    Write("prog/files.txt", "plain.txt\ncyr.txt\nrepeat.txt\nnumbers.txt\ndoc.xml\n");
    const RunResult run = Run({"files.txt", "rules.lst"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(Read(Prog("plain.txt")), "skip xyz xyz 12 7");
    EXPECT_EQ(Read(Prog("cyr.txt")), "\xe4\xe2\xee\xf0 \xe4\xe2\xee\xf0");
    EXPECT_EQ(Read(Prog("repeat.txt")), "qqqqqqqq");
    EXPECT_EQ(Read(Prog("numbers.txt")), "1.2.3.");
    EXPECT_NE(Read(Prog("doc.xml")).find("<a>old</a><b>new</b>"), std::string::npos)
        << Read(Prog("doc.xml"));
}

TEST_F(BatchRun, EachFileIsWrittenBackInItsOwnEncoding) {
    Write("prog/rules.lst", List({Item("\xea\xee\xf2", "\xef\xf1\xe8", true),  // кот -> пси
                                  Item("cat", "dog", true)}));
    const std::string catUtf8 = "\xd0\x9a\xd0\xbe\xd1\x82";  // Кот
    const std::string dogUtf8 = "\xd0\xbf\xd1\x81\xd0\xb8";  // пси
    Write("prog/bom.txt", "\xEF\xBB\xBF" + catUtf8 + "!");
    Write("prog/decl.xml", "\n<?xml version=\"1.0\" encoding=\"UTF-8\"?><t>" + catUtf8 + "</t>");
    Write("prog/cp.txt", "\xca\xee\xf2!");  // Кот in windows-1251
    // UTF-8 as Linux editors write it, without mark or declaration.
    Write("prog/plain-utf8.txt", "cat " + catUtf8 + "\n");
    Write("prog/files.txt", "bom.txt\ndecl.xml\ncp.txt\nplain-utf8.txt\n");
    const RunResult run = Run({"files.txt", "rules.lst"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(Read(Prog("bom.txt")), "\xEF\xBB\xBF" + dogUtf8 + "!");
    EXPECT_EQ(Read(Prog("decl.xml")),
              "\n<?xml version=\"1.0\" encoding=\"UTF-8\"?><t>" + dogUtf8 + "</t>");
    EXPECT_EQ(Read(Prog("cp.txt")), "\xef\xf1\xe8!");
    EXPECT_EQ(Read(Prog("plain-utf8.txt")), "dog " + dogUtf8 + "\n");
}

TEST_F(BatchRun, UnmarkedUtf8AndWindows1251AreEachCorrectedInTheirOwnEncoding) {
    // Letter case ignored, so "р" also meets "Р", the byte D0 that leads most Cyrillic letters
    // in UTF-8: read as windows-1251, a UTF-8 file would come back broken.
    Write("prog/rules.lst", List({Item("\xcc\xc8\xd0", "\xe2\xf1\xe5", true),  // МИР -> все
                                  Item("\xf0", "r", true)}));                  // р -> r
    Write("prog/utf8.txt", "привет мир\nПРИВЕТ МИР\n");
    Write("prog/cp.txt", "\xef\xf0\xe8\xe2\xe5\xf2 \xec\xe8\xf0\r\n");  // привет мир
    Write("prog/files.txt", "utf8.txt\ncp.txt\n");
    const RunResult run = Run({"files.txt", "rules.lst"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(Read(Prog("utf8.txt")), "пrивет все\nПrИВЕТ все\n");
    EXPECT_EQ(Read(Prog("cp.txt")), "\xefr\xe8\xe2\xe5\xf2 \xe2\xf1\xe5\r\n");
}

TEST_F(BatchRun, FileThatWouldLoseCharactersIsLeftAndNamed) {
    Write("prog/rules.lst", List({Item("a", "b", true)}));
    const std::string chinese =
        "\xEF\xBB\xBF"
        "a \xe4\xb8\xad";
    Write("prog/wide.txt", chinese);
    Write("prog/plain.txt", "a");
    Write("prog/files.txt", "wide.txt\nplain.txt\n");
    const RunResult run = Run({"files.txt", "rules.lst"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    EXPECT_NE(run.errors.find("wide.txt"), std::string::npos) << run.errors;
    EXPECT_EQ(Read(Prog("wide.txt")), chinese);
    EXPECT_EQ(Read(Prog("plain.txt")), "b");
}

TEST_F(BatchRun, ListFileThatDoesNotParseCorrectsNothing) {
    Write("prog/rules.lst", std::string(kHeader) + Item("a", "b", true) + "<Item>\r\n");
    Write("prog/one.txt", "a");
    Write("prog/files.txt", "one.txt\n");
    const RunResult run = Run({"files.txt", "rules.lst"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    EXPECT_NE(run.errors.find("Ошибка в файле"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("Файл: rules.lst"), std::string::npos) << run.errors;
    EXPECT_EQ(Read(Prog("one.txt")), "a");
}

TEST_F(BatchRun, MissingArgumentFileCorrectsNothing) {
    Write("prog/rules.lst", List({Item("a", "b", true)}));
    Write("prog/one.txt", "a");
    Write("prog/files.txt", "one.txt\n");
    for (const auto& arguments : {std::vector<std::string>{"nofiles.txt", "rules.lst"},
                                  std::vector<std::string>{"files.txt", "norules.lst"},
                                  std::vector<std::string>{"files.txt", "/"}}) {
        SCOPED_TRACE(arguments[0] + " " + arguments[1]);
        const RunResult run = Run(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
        EXPECT_EQ(Read(Prog("one.txt")), "a");
    }
}

TEST_F(BatchRun, EngineErrorStopsAtThatFile) {
    // A matching error (a run-away expression) is met only on the second file: the first stays
    // corrected, the second and the rest untouched, whichever worker got to them first.
    Write("prog/rules.lst",
          List({Item("(a+)+$", "x", true, " <Flags>r</Flags> "), Item("c", "d", true)}));
    Write("prog/first.txt", "c");
    Write("prog/second.txt", std::string(64, 'a') + "b c");
    std::string files = "first.txt\nsecond.txt\n";
    for (int i = 0; i < 8; ++i) {
        Write("prog/later" + std::to_string(i) + ".txt", "c");
        files += "later" + std::to_string(i) + ".txt\n";
    }
    Write("prog/files.txt", files);
    const RunResult run = Run({"files.txt", "rules.lst"});
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    EXPECT_NE(run.errors.find("second.txt: TRegExpr(exec): "), std::string::npos) << run.errors;
    EXPECT_EQ(Read(Prog("first.txt")), "d");
    EXPECT_EQ(Read(Prog("second.txt")), std::string(64, 'a') + "b c");
    for (int i = 0; i < 8; ++i) EXPECT_EQ(Read(Prog("later" + std::to_string(i) + ".txt")), "c");
}

TEST_F(BatchRun, ExpressionThatDoesNotCompileStopsBeforeAnyFile) {
    // Every expression is compiled before the first file, also one that only runs inside <p>
    // and would meet no XML document until the second file.
    Write("prog/rules.lst", List({Item("a", "b", true),
                                  Item("(", "x", true, " <xPath>//p</xPath>  <Flags>r</Flags> ")}));
    Write("prog/first.txt", "a");
    Write("prog/second.xml", "<p>a</p>");
    Write("prog/files.txt", "first.txt\nsecond.xml\n");
    const RunResult run = Run({"files.txt", "rules.lst"});
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    EXPECT_NE(run.errors.find("rules.lst: TRegExpr(comp): "), std::string::npos) << run.errors;
    EXPECT_EQ(Read(Prog("first.txt")), "a");
    EXPECT_EQ(Read(Prog("second.xml")), "<p>a</p>");
}

TEST_F(BatchRun, InvalidExpressionOnPlainTextFails) {
    Write("prog/rules.lst", List({Item("[", "x", true, " <Flags>r</Flags> ")}));
    Write("prog/one.txt", "a");
    Write("prog/files.txt", "one.txt\n");
    const RunResult run = Run({"files.txt", "rules.lst"});
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    EXPECT_EQ(Read(Prog("one.txt")), "a");
}

}  // namespace
