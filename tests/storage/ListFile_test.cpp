// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/ListFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/FileIo.h"
#include "engine/TReplace.h"
#include "engine/TReplaceConditions.h"
#include "engine/TRuleRows.h"
#include "engine/XmlDocument.h"
#include "platform/Messages.h"

namespace {

namespace fs = std::filesystem;
using qx::TReplace;
using qx::TReplaceConditions;
using qx::TReplaces;

class RecordingMessages : public qx::Messages {
public:
    struct Shown {
        std::string text, caption;
        Icon icon;
    };
    void Show(std::string_view text, std::string_view caption, Icon icon) override {
        shown.push_back({std::string(text), std::string(caption), icon});
    }
    bool Ask(std::string_view, std::string_view) override { return false; }
    std::vector<Shown> shown;
};

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "qxlist.XXXXXX").native();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code error;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(path_, error);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::unique_ptr<TReplace> Rule(std::string find, std::string replace, bool checked,
                               std::string flags = "", int repeat = 1) {
    auto rule = std::make_unique<TReplace>(std::move(find), std::move(replace), "",
                                           std::move(flags), checked);
    rule->Repeat = repeat;
    return rule;
}

constexpr char kDeclarationLine[] = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n";
constexpr char kRootLine[] = "<List xml:space=\"preserve\">\r\n";

// The window's pieces around a list file, wired as the main window wires them.
struct Panel {
    TReplaces rules;
    qx::TRuleRows rows{&rules};
    TReplaceConditions conditions;
    RecordingMessages messages;
    qx::TListFile file{rules, rows, conditions, messages};

    void Add(std::unique_ptr<TReplace> rule) {
        rules.Add(std::move(rule));
        rows.FillReplaceList(false, true);
    }
    std::vector<std::string> Finds() const {
        std::vector<std::string> finds;
        for (int i = 0; i < rules.Count(); ++i) finds.push_back(rules.Items(i)->Find);
        return finds;
    }
};

TEST(ListFileText, EmptyListIsThreeLines) {
    EXPECT_EQ(qx::ListFileText(TReplaceConditions{}, {}),
              std::string(kDeclarationLine) + kRootLine + "</List>\r\n");
}

TEST(ListFileText, ConditionAndRuleExample) {
    TReplaceConditions conditions;
    conditions.ReplaceIfContainsText = "<html>";
    auto rule = Rule("a<b", "c", true, "r", 0);
    EXPECT_EQ(qx::ListFileText(conditions, {rule.get()}),
              std::string(kDeclarationLine) + kRootLine +
                  "  <ReplaceIfContains>&lt;html&gt;</ReplaceIfContains>\r\n"
                  "  <Item> <Find>a&lt;b</Find> <Replace>c</Replace>  <Checked>1</Checked>  "
                  "<Flags>r</Flags>  <Repeat>0</Repeat>  </Item>\r\n"
                  "</List>\r\n");
}

TEST(ListFileText, ConditionsInFixedOrderWhateverTheirSwitches) {
    TReplaceConditions conditions;
    conditions.DontReplaceIfAbsentText = "4";
    conditions.ReplaceIfAbsentText = "a\"b'c&d";
    conditions.DontReplaceIfContainsText = "  \r\n ";  // white space only is still written
    conditions.ReplaceIfAbsent = false;  // a switched-off condition is written all the same
    EXPECT_EQ(qx::ListFileText(conditions, {}),
              std::string(kDeclarationLine) + kRootLine +
                  "  <ReplaceIfAbsent>a&quot;b&apos;c&amp;d</ReplaceIfAbsent>\r\n"
                  "  <DontReplaceIfContains>  \r\n </DontReplaceIfContains>\r\n"
                  "  <DontReplaceIfAbsent>4</DontReplaceIfAbsent>\r\n"
                  "</List>\r\n");
}

TEST(ListFileText, ConditionLineBreaksAsCrLfAndNoForbiddenControls) {
    TReplaceConditions conditions;
    using namespace std::string_literals;
    conditions.ReplaceIfContainsText =
        "a\nb\rc\x01\x1f"
        "d\te\0"s;
    const std::string text = qx::ListFileText(conditions, {});
    EXPECT_NE(text.find("<ReplaceIfContains>a\r\nb\r\ncd\te</ReplaceIfContains>"),
              std::string::npos)
        << text;
}

TEST(ListParseErrorText, NamesFileReasonPlaceAndSource) {
    struct Row {
        const char* name;
        std::string url;
        std::string expectedName;
    };
    const Row rows[] = {
        {"full path", "/home/u/lists/bad.lst", "bad.lst"},
        {"file url", "file:///tmp/x.lst", "x.lst"},
        {"no slash", "bad.lst", ""},
        {"windows-1251 name", "/tmp/\xc4.lst", "Д.lst"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        qx::XmlParseError error;
        error.url = row.url;
        error.reason = "tag mismatch \xc4";  // windows-1251 Д
        error.line = 3;
        error.linepos = 14;
        error.srcText = "<Item>";
        EXPECT_EQ(qx::ListParseErrorText(error),
                  "Файл: " + row.expectedName +
                      "\r\n\r\ntag mismatch Д\r\nCтрока: 3, позиция: 14\r\n\r\n<Item>");
    }
}

TEST(WriteFileReplacing, KeepsPermissionsAndLeavesNoTemporaryFile) {
    TempFolder folder;
    const fs::path target = folder.path() / "list.lst";
    WriteBytes(target, "old");
    ::chmod(target.c_str(), 0640);
    ASSERT_TRUE(qx::WriteFileReplacing(target, "new"));
    EXPECT_EQ(ReadBytes(target), "new");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(WriteFileReplacing, KeepsTheOwnerWhenAllowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    TempFolder folder;
    const fs::path target = folder.path() / "theirs.lst";
    WriteBytes(target, "old");
    ASSERT_EQ(::chown(target.c_str(), 4321, 4321), 0);
    ASSERT_TRUE(qx::WriteFileReplacing(target, "new"));
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4321u);
}

TEST(WriteFileReplacing, RefusesWithoutTouchingTheTarget) {
    TempFolder folder;
    const fs::path readOnly = folder.path() / "ro.lst";
    WriteBytes(readOnly, "keep");
    ::chmod(readOnly.c_str(), 0444);
    EXPECT_FALSE(qx::WriteFileReplacing(readOnly, "new"));
    EXPECT_EQ(ReadBytes(readOnly), "keep");

    const fs::path directory = folder.path() / "dir.lst";
    fs::create_directory(directory);
    EXPECT_FALSE(qx::WriteFileReplacing(directory, "new"));
    EXPECT_TRUE(fs::is_directory(directory));

    EXPECT_FALSE(qx::WriteFileReplacing(folder.path() / "missing" / "x.lst", "new"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);
}

TEST(WriteFileReplacing, ThroughALinkReplacesTheLinkedFile) {
    TempFolder folder;
    const fs::path real = folder.path() / "real.lst";
    const fs::path link = folder.path() / "link.lst";
    WriteBytes(real, "old");
    fs::create_symlink(real, link);
    ASSERT_TRUE(qx::WriteFileReplacing(link, "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(real), "new");
}

TEST(ListFile, SaveAndLoadRoundTrip) {
    TempFolder folder;
    const fs::path path = folder.path() / "rules.lst";
    Panel saved;
    saved.Add(Rule(" ", "  ", true));
    saved.Add(Rule("a&<>'\"b", "x\ty", false, "R", 7));
    saved.Add(Rule("\xc0\xe1\xe2", "[nw]", true, "", 0));  // Абв
    saved.conditions.ReplaceIfContainsText = "one\r\ntwo";
    saved.conditions.DontReplaceIfAbsentText = "   ";
    saved.conditions.ReplaceIfContains = false;  // switches are not stored
    ASSERT_TRUE(saved.file.SaveList(path));
    EXPECT_EQ(saved.file.CurrentListFile(), path);

    Panel loaded;
    ASSERT_TRUE(loaded.file.LoadList(path, false));
    EXPECT_TRUE(loaded.messages.shown.empty());
    ASSERT_EQ(loaded.rules.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const TReplace& a = *saved.rules.Items(i);
        const TReplace& b = *loaded.rules.Items(i);
        EXPECT_EQ(b.Find, a.Find);
        EXPECT_EQ(b.Replace, a.Replace);
        EXPECT_EQ(b.Flags, a.Flags);
        EXPECT_EQ(b.Repeat, a.Repeat);
        EXPECT_EQ(b.Checked, a.Checked);
        EXPECT_EQ(loaded.rows.Checked(static_cast<std::size_t>(i)), a.Checked);
    }
    const TReplaceConditions& c = loaded.conditions;
    EXPECT_EQ(c.ReplaceIfContainsText, "one\r\ntwo");
    EXPECT_EQ(c.DontReplaceIfAbsentText, "   ");
    EXPECT_TRUE(c.ReplaceIfContains);
    EXPECT_FALSE(c.ReplaceIfAbsent);
    EXPECT_TRUE(c.ReplaceGroup);
    EXPECT_FALSE(c.DontReplaceIfContains);
    EXPECT_TRUE(c.DontReplaceIfAbsent);
    EXPECT_TRUE(c.DontReplaceGroup);
    EXPECT_EQ(loaded.file.CurrentListFile(), path);
}

TEST(ListFile, SaveTakesTheMarksTheRowsShow) {
    TempFolder folder;
    Panel panel;
    panel.Add(Rule("a", "1", false));
    panel.Add(Rule("b", "2", true));
    panel.rows.SetChecked(0, true);
    panel.rows.SetChecked(1, false);
    ASSERT_TRUE(panel.file.SaveList(folder.path() / "x.lst"));
    const std::string text = ReadBytes(folder.path() / "x.lst");
    EXPECT_NE(text.find("<Find>a</Find> <Replace>1</Replace>  <Checked>1</Checked>"),
              std::string::npos);
    EXPECT_EQ(text.find("<Find>b</Find> <Replace>2</Replace>  <Checked>"), std::string::npos);
}

TEST(ListFile, SaveSelectedWritesAllConditionsAndSelectedRulesInRowOrder) {
    TempFolder folder;
    Panel panel;
    panel.Add(Rule("a", "1", false));
    panel.Add(Rule("b", "2", false));
    panel.Add(Rule("c", "3", false));
    panel.conditions.ReplaceIfAbsentText = "x";
    const fs::path path = folder.path() / "sel.lst";
    ASSERT_TRUE(panel.file.SaveRows(path, {2, 0}));
    EXPECT_EQ(panel.file.CurrentListFile(), path);
    EXPECT_EQ(ReadBytes(path), std::string(kDeclarationLine) + kRootLine +
                                   "  <ReplaceIfAbsent>x</ReplaceIfAbsent>\r\n"
                                   "  <Item> <Find>a</Find> <Replace>1</Replace>  </Item>\r\n"
                                   "  <Item> <Find>c</Find> <Replace>3</Replace>  </Item>\r\n"
                                   "</List>\r\n");
}

TEST(ListFile, FailedSaveKeepsCurrentFile) {
    TempFolder folder;
    Panel panel;
    const fs::path good = folder.path() / "good.lst";
    ASSERT_TRUE(panel.file.SaveList(good));
    EXPECT_FALSE(panel.file.SaveList(folder.path() / "no" / "such.lst"));
    EXPECT_EQ(panel.file.CurrentListFile(), good);
    EXPECT_TRUE(panel.messages.shown.empty());
}

TEST(ListFile, AppendClonesRulesAfterExistingAndReplacesConditions) {
    TempFolder folder;
    const fs::path path = folder.path() / "add.lst";
    WriteBytes(path, std::string(kDeclarationLine) + kRootLine +
                         "  <Item> <Find>b</Find> <Replace>2</Replace>  <Checked>1</Checked>  "
                         "<xPath>//p</xPath>  <Flags>r</Flags>  <Repeat>7</Repeat>  </Item>\r\n"
                         "  <Item> <Find>c</Find> <Replace>3</Replace>  </Item>\r\n"
                         "</List>\r\n");
    Panel panel;
    panel.Add(Rule("a", "1", false));
    panel.rows.SetChecked(0, true);  // stored before the rules are added
    panel.conditions.ReplaceIfContainsText = "old";
    panel.conditions.ReplaceIfContains = panel.conditions.ReplaceGroup = true;

    ASSERT_TRUE(panel.file.LoadList(path, true));
    EXPECT_EQ(panel.Finds(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(panel.rules.Items(0)->Checked);
    const TReplace& b = *panel.rules.Items(1);
    EXPECT_EQ(b.xPath, "//p");
    EXPECT_EQ(b.Flags, "r");
    EXPECT_EQ(b.Repeat, 7);
    EXPECT_TRUE(b.Checked);
    ASSERT_EQ(panel.rows.RowCount(), 3u);
    EXPECT_EQ(panel.rows.Rule(1), panel.rules.Items(1));
    // The file has no conditions: all four are cleared and switched off.
    EXPECT_EQ(panel.conditions.ReplaceIfContainsText, "");
    EXPECT_FALSE(panel.conditions.ReplaceIfContains);
    EXPECT_FALSE(panel.conditions.ReplaceGroup);
    EXPECT_EQ(panel.file.CurrentListFile(), path);
}

TEST(ListFile, LoadReplacesRulesHiddenFromThePanel) {
    TempFolder folder;
    const fs::path path = folder.path() / "new.lst";
    WriteBytes(path, "<List><Item><Find>n</Find></Item></List>");
    Panel panel;
    panel.Add(Rule("old", "1", false));
    panel.rows.SetCheckedOnlyView(true);
    panel.rows.FillReplaceList(true, false);
    ASSERT_EQ(panel.rows.RowCount(), 0u);
    ASSERT_TRUE(panel.file.LoadList(path, false));
    EXPECT_EQ(panel.Finds(), (std::vector<std::string>{"n"}));
    EXPECT_EQ(panel.rows.RowCount(), 0u);  // the checked-only view still hides it
}

TEST(ListFile, DocumentShapes) {
    struct Row {
        const char* name;
        std::string content;
        std::vector<std::string> finds;
        std::string ifContains;
    };
    const Row rows[] = {
        {"other root loads as empty", "<Other><Item><Find>x</Find></Item></Other>", {}, ""},
        {"nested List items are loaded",
         "<List><List><Item><Find>deep</Find></Item></List><Item><Find>top</Find></Item></List>",
         {"deep", "top"},
         ""},
        {"condition only as a child of the root",
         "<List><Sub><ReplaceIfContains>no</ReplaceIfContains></Sub>"
         "<ReplaceIfContains>yes</ReplaceIfContains>"
         "<ReplaceIfContains>second</ReplaceIfContains></List>",
         {},
         "yes"},
        {"CDATA and references in a condition",
         "<List><ReplaceIfContains>a<![CDATA[<b>]]>&#x41;</ReplaceIfContains></List>",
         {},
         "a<b>A"},
        {"without preserve a condition comes trimmed",
         "<List><ReplaceIfContains>  t  </ReplaceIfContains></List>",
         {},
         "t"},
        {"UTF-8 declared file is read into windows-1251",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><List><Item><Find>\xd0\x94\xd0\xbe\xd0\xbc"
         "</Find></Item></List>",
         {"\xc4\xee\xec"},
         ""},
        {"items keep their white space under a root that does not preserve it",
         "<List><Item><Find> a  b </Find></Item><Item><Find> </Find></Item></List>",
         {" a  b ", ""},
         ""},
        {"a character the code page lacks is a question mark, in CDATA too",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><List><Item><Find><![CDATA[\xe2\x98\xba<]]>"
         "\xe2\x98\xba</Find></Item></List>",
         {"?<?"},
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        const fs::path path = folder.path() / "shape.lst";
        WriteBytes(path, row.content);
        Panel panel;
        panel.Add(Rule("previous", "1", true));
        ASSERT_TRUE(panel.file.LoadList(path, false));
        EXPECT_EQ(panel.Finds(), row.finds);
        EXPECT_EQ(panel.conditions.ReplaceIfContainsText, row.ifContains);
        EXPECT_TRUE(panel.messages.shown.empty());
    }
}

TEST(ListFile, Utf8FileIsSavedAgainAsWindows1251) {
    TempFolder folder;
    const fs::path path = folder.path() / "utf.lst";
    WriteBytes(path,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<List xml:space=\"preserve\">"
               "<Item><Find>\xd0\x94</Find><Replace>x</Replace></Item></List>");
    Panel panel;
    ASSERT_TRUE(panel.file.LoadList(path, false));
    ASSERT_TRUE(panel.file.SaveList(path));
    EXPECT_EQ(ReadBytes(path), std::string(kDeclarationLine) + kRootLine +
                                   "  <Item> <Find>\xc4</Find> <Replace>x</Replace>  </Item>\r\n"
                                   "</List>\r\n");
}

TEST(ListFile, ParseErrorIsShownAndChangesNothing) {
    struct Row {
        const char* name;
        std::string content;
    };
    const Row rows[] = {
        {"empty file", ""},
        {"unclosed tag", "<List>\n  <Item><Find>a</Find>\n</List>\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        const fs::path good = folder.path() / "good.lst";
        const fs::path bad = folder.path() / "bad.lst";
        WriteBytes(bad, row.content);
        Panel panel;
        panel.Add(Rule("keep", "1", true));
        panel.conditions.ReplaceIfAbsentText = "cond";
        ASSERT_TRUE(panel.file.SaveList(good));
        for (const bool append : {false, true}) {
            SCOPED_TRACE(append ? "append" : "replace");
            panel.messages.shown.clear();
            EXPECT_FALSE(panel.file.LoadList(bad, append));
            ASSERT_EQ(panel.messages.shown.size(), 1u);
            const auto& shown = panel.messages.shown[0];
            EXPECT_EQ(shown.caption, "Ошибка в файле");
            EXPECT_EQ(shown.icon, qx::Messages::Icon::Warning);
            EXPECT_EQ(shown.text.rfind("Файл: bad.lst\r\n\r\n", 0), 0u) << shown.text;
            EXPECT_NE(shown.text.find("\r\nCтрока: "), std::string::npos);
            EXPECT_EQ(panel.Finds(), (std::vector<std::string>{"keep"}));
            EXPECT_EQ(panel.conditions.ReplaceIfAbsentText, "cond");
            EXPECT_EQ(panel.file.CurrentListFile(), good);
            // The rows show the rules again, with the marks they had.
            ASSERT_EQ(panel.rows.RowCount(), 1u);
            EXPECT_TRUE(panel.rows.Checked(0));
        }
    }
}

TEST(ListFile, UnclosedTagReportsLineAndSource) {
    TempFolder folder;
    const fs::path bad = folder.path() / "bad.lst";
    WriteBytes(bad, "<List>\n<Item><Find>a</Find></Itm>\n</List>\n");
    Panel panel;
    EXPECT_FALSE(panel.file.LoadList(bad, false));
    ASSERT_EQ(panel.messages.shown.size(), 1u);
    const std::string& text = panel.messages.shown[0].text;
    EXPECT_NE(text.find("Cтрока: 2, позиция: "), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n\r\n<Item><Find>a</Find></Itm>"), std::string::npos) << text;
}

TEST(ListFile, NoFileMeansFalseWithoutMessage) {
    TempFolder folder;
    Panel panel;
    panel.Add(Rule("keep", "1", false));
    EXPECT_FALSE(panel.file.LoadList(folder.path() / "missing.lst", false));
    EXPECT_FALSE(panel.file.LoadList(folder.path(), true));  // a folder is no list file
    EXPECT_TRUE(panel.messages.shown.empty());
    EXPECT_EQ(panel.Finds(), (std::vector<std::string>{"keep"}));
    EXPECT_EQ(panel.rows.RowCount(), 1u);
    EXPECT_TRUE(panel.file.CurrentListFile().empty());
}

TEST(ListFile, ClearListEmptiesRowsAndRules) {
    Panel panel;
    panel.Add(Rule("a", "1", true));
    panel.file.ClearList();
    EXPECT_EQ(panel.rules.Count(), 0);
    EXPECT_EQ(panel.rows.RowCount(), 0u);
}

}  // namespace
