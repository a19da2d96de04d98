// SPDX-License-Identifier: GPL-3.0-or-later
// Ctrl+Alt+S: the interface strings file of the four windows, read back as a translator's
// tool would read it.
#include <QAction>
#include <QTabWidget>
#include <QTest>
#include <fstream>
#include <iterator>

#include "TestDoubles.h"
#include "engine/XmlDocument.h"
#include "storage/StringsFile.h"
#include "ui/common/ProgramInfo.h"
#include "ui/main/MainForm.h"

namespace qx {
namespace {

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Texts(XmlDocument& document, const std::string& xpath) {
    std::vector<std::string> texts;
    for (const XmlNode& node : document.selectNodes(xpath)) texts.push_back(node.textUtf8());
    return texts;
}

using Strings = std::vector<std::string>;

}  // namespace

class StringsExportTest : public QObject {
    Q_OBJECT
private slots:
    void exportedFileHoldsTheWindowsTexts();
    void emptyPathWritesNothing();
};

void StringsExportTest::exportedFileHoldsTheWindowsTexts() {
    QTemporaryDir config;
    test::RecordingMessages messages;
    test::RecordingShell shell;
    MainFormEnv env;
    env.configFolder = test::PathOf(config);
    env.programFolder = test::PathOf(config) / "program";
    env.messages = &messages;
    env.shell = &shell;
    MainForm window(std::move(env));
    window.InitMainWindow();

    const std::filesystem::path file = test::PathOf(config) / "Strings.xml";
    window.Action("ASaveStrings")->trigger();
    const std::string first = ReadBytes(file);
    // Turning to another page changes nothing in the file.
    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl"));
    pages->setCurrentIndex(1);
    window.Action("ASaveStrings")->trigger();
    QCOMPARE(ReadBytes(file), first);
    QVERIFY(messages.shown.empty());
    QVERIFY2(first.rfind("<?xml version=\"1.0\" encoding=\"windows-1251\"?>", 0) == 0,
             first.substr(0, 80).c_str());
    // windows-1251 bytes: "Файл" as 0xD4 0xE0 0xE9 0xEB.
    QVERIFY(first.find("\xD4\xE0\xE9\xEB") != std::string::npos);

    XmlDocument document;
    QVERIFY(document.load(file));
    QCOMPARE(document.documentElement().attribute("xml:space"), std::string("preserve"));
    QCOMPARE(Texts(document, "/Strings/Forms/Form/@Name"),
             (Strings{"frmMainForm", "frmAbout", "frmEditReplaceString", "frmConditions"}));
    QCOMPARE(Texts(document, "/Strings/Forms/Form/Caption"),
             (Strings{std::string("QX Quendro ") + info::kProductVersion, "О программе",
                      "Редактирование", "Заменить при условии"}));

    const std::string main = "/Strings/Forms/Form[@Name='frmMainForm']/Controls/Control";
    auto captions = [&](const std::string& control) {
        return Texts(document, main + "[@Name='" + control + "']/Caption");
    };
    // The hidden message labels, in their panel's order, line breaks kept.
    const Strings labels = Texts(document, main + "/@Name");
    const Strings messageLabels = {
        "lblDeleteSelectedItems", "lblWarning",  "lblFolderNotFound", "lblWrongFileMask",
        "lblNoSelectedFiles",     "lblConfirm",  "lblStartReplace",   "lblCorrectionFinished",
        "lblNoSelectedReplaces",  "lblSaveList", "lblListSaved"};
    std::vector<std::size_t> positions;
    for (const std::string& name : messageLabels) {
        const auto at = std::find(labels.begin(), labels.end(), name);
        QVERIFY2(at != labels.end(), name.c_str());
        positions.push_back(static_cast<std::size_t>(at - labels.begin()));
    }
    QVERIFY(std::is_sorted(positions.begin(), positions.end()));
    // The pages in tab order, each before what it holds.
    std::vector<std::size_t> pageAt;
    for (const char* name : {"tsFiles", "cbRecursive", "tsClipboard", "tsDropedFiles"})
        pageAt.push_back(static_cast<std::size_t>(std::find(labels.begin(), labels.end(), name) -
                                                  labels.begin()));
    QVERIFY(std::is_sorted(pageAt.begin(), pageAt.end()));
    QVERIFY(pageAt.back() < labels.size());
    QCOMPARE(captions("lblCorrectionFinished"),
             Strings{"Коррекция завершена. Произведено замен: %d.\r\nОткрыть список "
                     "произведенных замен?"});

    // Every column of a list view, in order.
    QCOMPARE(captions("lvReplaceStrings"),
             (Strings{"Что найти", "Заменить на", "xPath", "Опции", "Повтор"}));
    QCOMPARE(captions("lvFiles"), Strings{"Файлы"});
    // Actions: a caption, and a hint only where the command has one.
    QCOMPARE(captions("ANew"), Strings{"Новый список замен"});
    QVERIFY(Texts(document, main + "[@Name='ANew']/Hint").empty());
    QCOMPARE(Texts(document, main + "[@Name='AShowHide']/Hint"),
             Strings{"Показать/скрыть главное окно"});
    QCOMPARE(Texts(document, main + "[@Name='AReplaceInClipboard']/Hint"),
             Strings{"Заменить в буфере обмена [Ctrl+Shift+C]"});
    // Menus, pages and check boxes.
    QCOMPARE(captions("miFile"), Strings{"Файл"});
    QCOMPARE(captions("tsClipboard"), Strings{"Буфер обмена"});
    QCOMPARE(captions("tsDropedFiles"), Strings{"Файлы"});
    QCOMPARE(captions("cbRecursive"), Strings{"Во всех вложенных подпапках"});
    // Nothing without a Cyrillic letter: "UTF-8", "...", the commands named for themselves.
    for (const char* absent : {"cbUtf8", "AUtf8", "btnFolder", "ASaveStrings", "AMoveUp"})
        QVERIFY2(Texts(document, main + "[@Name='" + absent + "']").empty(), absent);
    QVERIFY(Texts(document, "//Control[not(@Name) or @Name='']").empty());
    QVERIFY(Texts(document, "//Control[Caption='-']").empty());
    // The other windows have their own entries.
    QCOMPARE(Texts(document,
                   "/Strings/Forms/Form[@Name='frmConditions']/Controls/"
                   "Control[@Name='cbReplace']/Caption"),
             Strings{"Заменять если:"});
}

void StringsExportTest::emptyPathWritesNothing() {
    QVERIFY(!ExportStrings({StringsForm{"frmX", "Окно", {}}}, {}));
}

}  // namespace qx

QTEST_MAIN(qx::StringsExportTest)
#include "StringsExport_test.moc"
