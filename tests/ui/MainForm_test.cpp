// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven as a user would: names and captions, command states, scans through
// the folder and mask boxes, keys, filters, dropped files, help and web commands.
#include "ui/main/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <fstream>

#include "TestDoubles.h"
#include "ui/main/CommandTable.h"

namespace qx {
namespace {

void WriteFile(const std::filesystem::path& path, const std::string& text = "x") {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// The captions of the file rows as shown.
QStringList FileCaptions(const MainForm& window) {
    auto* view = window.findChild<QTreeView*>(QStringLiteral("lvFiles"));
    QStringList captions;
    for (int i = 0; i < view->model()->rowCount(); ++i)
        captions << view->model()->index(i, 0).data().toString();
    return captions;
}

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void everyControlCarriesItsName();
    void commandsHaveCaptionsAndShortcuts();
    void menusListTheirCommandsInOrder();
    void hiddenMessageLabelsHoldTheTexts();
    void startUpSetsCaptionAndOptions();
    void emptyListsDisableTheirCommands();
    void enablingRules_data();
    void enablingRules();
    void scanFindsFilesByMasks_data();
    void scanFindsFilesByMasks();
    void recursiveScanSkipsHiddenFolders();
    void missingFolderIsReported();
    void viewFiltersHideRowsButKeepMarks();
    void checkMarkCommandsAndCounter();
    void keysAndMaskChoiceRescan();
    void maskHistoryGrowsOncePerMask();
    void folderChooserSetsFolderAndRescans();
    void droppedFilesReachTheHandler();
    void helpAndWebGoThroughTheShell();
    void optionCheckBoxesFollowTheirCommands();
    void aboutIsShownModallyAndReused();
    void clipboardPageShowsClipboardText();

private:
    template <typename T>
    T* Find(const char* name) const {
        return window_->findChild<T*>(QString::fromLatin1(name));
    }
    void Scan(const std::filesystem::path& folder, const QString& mask);

    std::unique_ptr<QTemporaryDir> config_;
    std::unique_ptr<QTemporaryDir> data_;
    test::RecordingMessages messages_;
    test::RecordingShell shell_;
    std::optional<QString> chosenFolder_;
    std::unique_ptr<MainForm> window_;
};

void MainFormTest::init() {
    config_ = std::make_unique<QTemporaryDir>();
    data_ = std::make_unique<QTemporaryDir>();
    messages_ = {};
    shell_ = {};
    MainFormEnv env;
    env.configFolder = test::PathOf(*config_);
    env.programFolder = test::PathOf(*config_) / "program";
    env.messages = &messages_;
    env.shell = &shell_;
    env.browseForFolder = [this](QWidget*, const QString&, const QString&) {
        return chosenFolder_;
    };
    window_ = std::make_unique<MainForm>(std::move(env));
    window_->InitMainWindow();
}

void MainFormTest::cleanup() {
    window_.reset();
    data_.reset();
    config_.reset();
}

void MainFormTest::Scan(const std::filesystem::path& folder, const QString& mask) {
    Find<QComboBox>("edtFolder")->setEditText(QString::fromStdString(folder.string()));
    Find<QComboBox>("cmbMask")->setEditText(mask);
    Find<QPushButton>("btnRefresh")->click();
}

void MainFormTest::everyControlCarriesItsName() {
    QCOMPARE(window_->objectName(), QStringLiteral("frmMainForm"));
    const char* names[] = {"Label1",           "Label4",
                           "Image1",           "lblHelp",
                           "lblDravenor",      "lblTest",
                           "ProgressBar",      "cbUtf8",
                           "cbCaseSensitive",  "btnConvert",
                           "btnCondConvert",   "btnClose",
                           "pnlReplaces",      "lblReplacesCaption",
                           "lblLoad",          "lblAddFromFile",
                           "lblAdd",           "lblCopy",
                           "lblEdit",          "lblDelete",
                           "lblMove",          "lblMoveUp",
                           "lblMoveDown",      "lvReplaceStrings",
                           "lblReplSelectAll", "lblReplUnselectAll",
                           "lblReplInvert",    "cbCheckedOnly",
                           "cbFilterReplaces", "edtFilterReplaces",
                           "lblReplaceCount",  "Label5",
                           "Label2",           "Splitter",
                           "PageControl",      "tsFiles",
                           "Label6",           "edtFolder",
                           "btnFolder",        "Splitter2",
                           "pnlFolder",        "pnlMask",
                           "cmbMask",          "btnRefresh",
                           "cbRecursive",      "lvFiles",
                           "lblSelectAll",     "lblUnselectAll",
                           "lblInvert",        "cbCheckedOnlyFiles",
                           "cbFilter",         "edtFilter",
                           "lblFilesCount",    "tsClipboard",
                           "memClipboard",     "tsDropedFiles",
                           "memDropedFiles",   "TabSheet1",
                           "memLog",           "pnlStrings"};
    for (const char* name : names) QVERIFY2(Find<QWidget>(name) != nullptr, name);
    for (const char* name :
         {"tmrUpdate", "tmrReplacesUpdate", "pupReplaceStrings", "pupFiles", "pupMain"})
        QVERIFY2(Find<QObject>(name) != nullptr, name);
    QCOMPARE(Find<QLabel>("lblReplacesCaption")->text(), QStringLiteral("Список замен:"));
    QCOMPARE(Find<QCheckBox>("cbCheckedOnlyFiles")->text(), QStringLiteral("только  отмеченные"));
    QCOMPARE(Find<QCheckBox>("cbRecursive")->text(), QStringLiteral("Во всех вложенных подпапках"));
    QVERIFY(Find<QLabel>("lblTest")->isHidden());
    auto* pages = Find<QTabWidget>("PageControl");
    QCOMPARE(pages->count(), 4);
    QVERIFY(!pages->isTabVisible(pages->indexOf(Find<QWidget>("tsDropedFiles"))));
    QCOMPARE(pages->currentWidget(), Find<QWidget>("tsFiles"));
    QCOMPARE(Find<QComboBox>("cmbMask")->count(), 7);
    QCOMPARE(Find<QComboBox>("cmbMask")->currentText(), QStringLiteral("*.*"));
}

void MainFormTest::commandsHaveCaptionsAndShortcuts() {
    for (const CommandInfo& command : CommandTable()) {
        QAction* action = window_->Action(command.name);
        QVERIFY2(action != nullptr, command.name);
        QCOMPARE(action->text(), QString::fromUtf8(command.caption));
    }
    const std::pair<const char*, QKeySequence> shortcuts[] = {
        {"ANew", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"ALoad", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"ASave", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"AHelp", QKeySequence(Qt::Key_F1)},
        {"ASaveStrings", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S)},
        {"AReplaceInClipboard", QKeySequence()},
    };
    for (const auto& [name, keys] : shortcuts) QCOMPARE(window_->Action(name)->shortcut(), keys);
    QCOMPARE(window_->Action("AShowHide")->toolTip(),
             QStringLiteral("Показать/скрыть главное окно"));
}

void MainFormTest::menusListTheirCommandsInOrder() {
    auto names = [](const QWidget* menu) {
        QStringList list;
        for (const QAction* a : menu->actions())
            list << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        return list.join(QLatin1Char(' '));
    };
    auto* bar = Find<QMenuBar>("MainMenu");
    QStringList titles;
    for (const QAction* a : bar->actions()) titles << a->text();
    QCOMPARE(titles, (QStringList{QStringLiteral("Файл"), QStringLiteral("Редактирование"),
                                  QStringLiteral("Настройки"), QStringLiteral("Справка")}));
    QCOMPARE(names(Find<QMenu>("miFile")),
             QStringLiteral("ANew ALoad ASave - AAddFromFile ASaveSelectedToFile - APreview "
                            "ACondPreview AUndoLastRun - AExit"));
    QCOMPARE(names(Find<QMenu>("miEdit")), QStringLiteral("AAdd ACopy AEdit ADelete - ATestList"));
    QCOMPARE(names(Find<QMenu>("miSettings")),
             QStringLiteral("ACaseSensitive AUtf8 ABackupOnReplace"));
    QCOMPARE(names(Find<QMenu>("miHelp")), QStringLiteral("AHelp AWeb AAbout"));
    QCOMPARE(names(Find<QMenu>("pupReplaceStrings")),
             QStringLiteral("ACheckSelected AUncheckSelected - AAdd AEdit ADelete - ASelectAll "
                            "AUnselectAll AInvert - ASaveSelectedToFile - ATestList"));
    QCOMPARE(
        names(Find<QMenu>("pupFiles")),
        QStringLiteral("ACheckSelectedFiles AUnCheckSelectedFiles - AReplace ACondReplace APreview "
                       "ACondPreview - "
                       "ASelectAllFiles AUnSelectAllFiles AInvertAllFiles"));
    QCOMPARE(names(Find<QMenu>("pupMain")),
             QStringLiteral("AReplaceInClipboard - AShowHide - AExit"));
}

void MainFormTest::hiddenMessageLabelsHoldTheTexts() {
    QVERIFY(Find<QWidget>("pnlStrings")->isHidden());
    QCOMPARE(window_->StringLabel("lblWarning"), QStringLiteral("Внимание"));
    QCOMPARE(window_->StringLabel("lblCorrectionFinished"),
             QStringLiteral("Коррекция завершена. Произведено замен: %d.\r\nОткрыть список "
                            "произведенных замен?"));
    // The caption is read when the message is shown, so a changed caption travels with it.
    Find<QLabel>("lblWarning")->setText(QStringLiteral("Warning"));
    Scan(test::PathOf(*data_) / "missing", QStringLiteral("*.*"));
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    QCOMPARE(messages_.shown[0].caption, std::string("Warning"));
}

void MainFormTest::startUpSetsCaptionAndOptions() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("QX Quendro 1.0"));
    QCOMPARE(window_->size(), QSize(800, 639));
    QCOMPARE(window_->minimumSize(), QSize(800, 400));
    QVERIFY(!window_->Action("ACaseSensitive")->isChecked());
    QVERIFY(!window_->Action("AUtf8")->isChecked());
    QVERIFY(window_->Action("ABackupOnReplace")->isChecked());
    QCOMPARE(window_->CurrentReplaceFlags(), kReplaceAll | kIgnoreCase);
    window_->Action("ACaseSensitive")->trigger();
    QCOMPARE(window_->CurrentReplaceFlags(), kReplaceAll);
    QVERIFY(messages_.shown.empty());
}

void MainFormTest::emptyListsDisableTheirCommands() {
    for (const char* name : {"AReplace", "ACondReplace", "ASave", "ANew", "ASelectAll", "AEdit",
                             "AMoveUp", "ASelectAllFiles", "ACheckSelectedFiles"})
        QVERIFY2(!window_->Action(name)->isEnabled(), name);
    for (const char* name : {"ALoad", "AAddFromFile", "AAdd", "AExit", "AAbout", "AHelp"})
        QVERIFY2(window_->Action(name)->isEnabled(), name);
    // Links follow their commands.
    for (const char* name : {"lblReplSelectAll", "lblEdit", "lblDelete", "lblCopy", "lblMoveUp",
                             "lblSelectAll", "lblInvert"})
        QVERIFY2(!Find<QWidget>(name)->isEnabled(), name);
    for (const char* name : {"lblLoad", "lblAddFromFile", "lblAdd"})
        QVERIFY2(Find<QWidget>(name)->isEnabled(), name);
    QVERIFY(!Find<QWidget>("btnConvert")->isEnabled());
    QVERIFY(!Find<QWidget>("edtFilter")->isEnabled());
    QVERIFY(!Find<QWidget>("edtFilterReplaces")->isEnabled());
}

void MainFormTest::enablingRules_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("selectedRows");
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("selectedFiles");
    QTest::addColumn<QStringList>("enabled");
    QTest::addColumn<QStringList>("disabled");
    QTest::newRow("one rule, none selected")
        << 1 << 0 << 0 << 0
        << QStringList{"AReplace", "ACondReplace", "ASave", "ANew", "ASelectAll", "AInvert"}
        << QStringList{"AEdit", "AMoveUp",        "AMoveDown",          "ADelete",
                       "ACopy", "ACheckSelected", "ASaveSelectedToFile"};
    QTest::newRow("one rule selected: nothing to move")
        << 1 << 1 << 0 << 0 << QStringList{"AEdit", "ADelete", "ACopy", "ASaveSelectedToFile"}
        << QStringList{"AMoveUp", "AMoveDown"};
    QTest::newRow("two rules, one selected")
        << 2 << 1 << 0 << 0 << QStringList{"AMoveUp", "AMoveDown", "AUncheckSelected"}
        << QStringList{"ASelectAllFiles"};
    QTest::newRow("files, none selected")
        << 0 << 0 << 3 << 0
        << QStringList{"ASelectAllFiles", "AUnSelectAllFiles", "AInvertAllFiles"}
        << QStringList{"ACheckSelectedFiles", "AUnCheckSelectedFiles", "AReplace"};
    QTest::newRow("a file selected")
        << 0 << 0 << 3 << 1 << QStringList{"ACheckSelectedFiles", "AUnCheckSelectedFiles"}
        << QStringList{"ASelectAll"};
}

void MainFormTest::enablingRules() {
    QFETCH(int, rows);
    QFETCH(int, selectedRows);
    QFETCH(int, files);
    QFETCH(int, selectedFiles);
    QFETCH(QStringList, enabled);
    QFETCH(QStringList, disabled);
    const ListCounts counts{rows, selectedRows, files, selectedFiles};
    auto ruleOf = [](const QString& name) {
        for (const CommandInfo& command : CommandTable())
            if (name == QLatin1String(command.name)) return command.rule;
        QTest::qFail(qPrintable(QStringLiteral("no command ") + name), __FILE__, __LINE__);
        return EnableRule::Always;
    };
    for (const QString& name : enabled) QVERIFY2(IsEnabled(ruleOf(name), counts), qPrintable(name));
    for (const QString& name : disabled)
        QVERIFY2(!IsEnabled(ruleOf(name), counts), qPrintable(name));
}

void MainFormTest::scanFindsFilesByMasks_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("all") << QStringLiteral("*.*")
                         << QStringList{"a.txt", "B.TXT", "c.htm", "d.html", "noext"};
    QTest::newRow("two masks") << QStringLiteral("*.htm;*.html") << QStringList{"c.htm", "d.html"};
    QTest::newRow("same mask twice in other case")
        << QStringLiteral("*.txt *.TXT") << QStringList{"a.txt", "B.TXT"};
    QTest::newRow("nothing matches") << QStringLiteral("*.xml") << QStringList{};
}

void MainFormTest::scanFindsFilesByMasks() {
    QFETCH(QString, mask);
    QFETCH(QStringList, captions);
    const auto folder = test::PathOf(*data_);
    for (const char* name : {"a.txt", "B.TXT", "c.htm", "d.html", "noext", "sub/e.txt"})
        WriteFile(folder / name);
    Scan(folder, mask);
    QCOMPARE(FileCaptions(*window_), captions);
    QVERIFY(messages_.shown.empty());
    // The scanned folder heads the folder history.
    QCOMPARE(Find<QComboBox>("edtFolder")->itemText(0), QString::fromStdString(folder.string()));
}

void MainFormTest::recursiveScanSkipsHiddenFolders() {
    const auto folder = test::PathOf(*data_);
    for (const char* name : {"top.txt", "sub/deeper/name.txt", "sub/a.txt", ".hidden/h.txt"})
        WriteFile(folder / name);
    // A trailing separator lists the same files, with no leading separator in the captions.
    Scan(folder / "", QStringLiteral("*.txt"));
    QCOMPARE(FileCaptions(*window_), QStringList{"top.txt"});
    Find<QCheckBox>("cbRecursive")->click();  // rescans at once
    QCOMPARE(FileCaptions(*window_), (QStringList{"sub/a.txt", "sub/deeper/name.txt", "top.txt"}));
}

void MainFormTest::missingFolderIsReported() {
    const auto folder = test::PathOf(*data_);
    WriteFile(folder / "a.txt");
    Scan(folder, QStringLiteral("*.*"));
    QCOMPARE(FileCaptions(*window_).size(), 1);
    Scan(folder / "missing", QStringLiteral("*.*"));
    QVERIFY(FileCaptions(*window_).isEmpty());
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(messages_.shown[0].text),
             QStringLiteral("Указанный каталог не найден"));
    QCOMPARE(QString::fromStdString(messages_.shown[0].caption), QStringLiteral("Внимание"));
    QVERIFY(messages_.shown[0].icon == Messages::Icon::Warning);
    // The history keeps only the folder that exists.
    QCOMPARE(Find<QComboBox>("edtFolder")->count(), 1);
    // An empty folder text empties the list without a word.
    Scan(std::filesystem::path(), QStringLiteral("*.*"));
    QCOMPARE(messages_.shown.size(), std::size_t{1});
}

void MainFormTest::viewFiltersHideRowsButKeepMarks() {
    const auto folder = test::PathOf(*data_);
    for (const char* name : {"abc.txt", "xABCx.txt", "other.txt"}) WriteFile(folder / name);
    Scan(folder, QStringLiteral("*.txt"));
    auto* view = Find<QTreeView>("lvFiles");
    // Uncheck "other.txt" (rows are sorted: abc, other, xABCx).
    view->model()->setData(view->model()->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);

    Find<QCheckBox>("cbFilter")->click();
    QVERIFY(Find<QLineEdit>("edtFilter")->isEnabled());
    Find<QLineEdit>("edtFilter")->setText(QStringLiteral("Abc"));
    QCOMPARE(FileCaptions(*window_), (QStringList{"abc.txt", "xABCx.txt"}));
    Find<QCheckBox>("cbFilter")->click();
    QVERIFY(!Find<QLineEdit>("edtFilter")->isEnabled());
    QCOMPARE(FileCaptions(*window_).size(), 3);
    QCOMPARE(view->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));

    Find<QCheckBox>("cbCheckedOnlyFiles")->click();
    QCOMPARE(FileCaptions(*window_), (QStringList{"abc.txt", "xABCx.txt"}));
    // A rescan checks every file again.
    Find<QCheckBox>("cbCheckedOnlyFiles")->click();
    Find<QPushButton>("btnRefresh")->click();
    QCOMPARE(view->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
}

void MainFormTest::checkMarkCommandsAndCounter() {
    const auto folder = test::PathOf(*data_);
    for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt"}) WriteFile(folder / name);
    Scan(folder, QStringLiteral("*.txt"));
    auto* view = Find<QTreeView>("lvFiles");
    auto checks = [view] {
        QString marks;
        for (int i = 0; i < view->model()->rowCount(); ++i)
            marks += view->model()->index(i, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked
                         ? QLatin1Char('x')
                         : QLatin1Char('-');
        return marks;
    };
    auto counter = [this] {
        window_->UpdateCounters();
        return Find<QLabel>("lblFilesCount")->text();
    };
    QCOMPARE(counter(), QStringLiteral("4 / 4"));
    window_->Action("AUnSelectAllFiles")->trigger();
    QCOMPARE(checks(), QStringLiteral("----"));
    view->selectionModel()->select(view->model()->index(1, 0), QItemSelectionModel::Select);
    view->selectionModel()->select(view->model()->index(3, 0), QItemSelectionModel::Select);
    QVERIFY(window_->Action("ACheckSelectedFiles")->isEnabled());
    window_->Action("ACheckSelectedFiles")->trigger();
    QCOMPARE(checks(), QStringLiteral("-x-x"));
    window_->Action("AInvertAllFiles")->trigger();
    QCOMPARE(checks(), QStringLiteral("x-x-"));
    QCOMPARE(counter(), QStringLiteral("2 / 4"));
    // A double click turns the first selected row's mark.
    emit view->doubleClicked(view->model()->index(3, 0));
    QCOMPARE(checks(), QStringLiteral("xxx-"));
    // Links run their commands.
    QTest::mouseClick(Find<QWidget>("lblSelectAll"), Qt::LeftButton);
    QCOMPARE(checks(), QStringLiteral("xxxx"));
    // The counter counts the rows shown.
    Find<QCheckBox>("cbFilter")->click();
    Find<QLineEdit>("edtFilter")->setText(QStringLiteral("1"));
    QCOMPARE(counter(), QStringLiteral("1 / 1"));
    Scan(std::filesystem::path(), QStringLiteral("*.*"));
    QCOMPARE(counter(), QStringLiteral("0 / 0"));
}

void MainFormTest::keysAndMaskChoiceRescan() {
    const auto folder = test::PathOf(*data_);
    WriteFile(folder / "a.txt");
    WriteFile(folder / "b.xml");
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    auto* edtFolder = Find<QComboBox>("edtFolder");
    auto* cmbMask = Find<QComboBox>("cmbMask");
    edtFolder->setEditText(QString::fromStdString(folder.string()));

    // Enter in the folder box, delivered where the keyboard delivers it: to the focus widget.
    edtFolder->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(FileCaptions(*window_), (QStringList{"a.txt", "b.xml"}));

    // F5 with the focus elsewhere, e.g. on the rule list.
    cmbMask->setEditText(QStringLiteral("*.xml"));
    Find<QWidget>("lvReplaceStrings")->setFocus();
    QTest::keyClick(Find<QWidget>("lvReplaceStrings"), Qt::Key_F5);
    QCOMPARE(FileCaptions(*window_), QStringList{"b.xml"});

    // Enter in the mask box.
    cmbMask->setEditText(QStringLiteral("*.txt"));
    cmbMask->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QCOMPARE(FileCaptions(*window_), QStringList{"a.txt"});

    // Picking a mask from the drop-down rescans at once.
    cmbMask->setCurrentIndex(0);  // "*.*"
    emit cmbMask->activated(0);
    QCOMPARE(FileCaptions(*window_), (QStringList{"a.txt", "b.xml"}));

    // Typing an existing mask and leaving the box is no choice from the drop-down.
    cmbMask->lineEdit()->setFocus();
    cmbMask->setEditText(QStringLiteral("*.xml"));
    QVERIFY(cmbMask->lineEdit()->hasFocus());
    Find<QWidget>("lvFiles")->setFocus();
    QVERIFY(!cmbMask->lineEdit()->hasFocus());
    QCOMPARE(FileCaptions(*window_), (QStringList{"a.txt", "b.xml"}));

    // Picking a folder from its drop-down does not.
    WriteFile(folder / "c.txt");
    edtFolder->setCurrentIndex(0);
    emit edtFolder->activated(0);
    QCOMPARE(FileCaptions(*window_).size(), 2);

    // Away from the files page, the refresh button does not scan.
    Find<QTabWidget>("PageControl")->setCurrentIndex(3);
    QTest::keyClick(window_.get(), Qt::Key_F5);
    QCOMPARE(FileCaptions(*window_).size(), 2);
}

void MainFormTest::maskHistoryGrowsOncePerMask() {
    const auto folder = test::PathOf(*data_);
    auto* cmbMask = Find<QComboBox>("cmbMask");
    Scan(folder, QStringLiteral("*.TXT"));  // a built-in mask in other letter case
    QCOMPARE(cmbMask->count(), 7);
    Scan(folder, QStringLiteral("*.md"));
    Scan(folder, QStringLiteral("*.MD"));
    QCOMPARE(cmbMask->count(), 8);
    QCOMPARE(cmbMask->itemText(7), QStringLiteral("*.md"));
    QCOMPARE(cmbMask->currentText(), QStringLiteral("*.MD"));
}

void MainFormTest::folderChooserSetsFolderAndRescans() {
    const auto folder = test::PathOf(*data_);
    WriteFile(folder / "picked.txt");
    chosenFolder_.reset();
    Find<QPushButton>("btnFolder")->click();
    QVERIFY(FileCaptions(*window_).isEmpty());
    chosenFolder_ = QString::fromStdString(folder.string());
    Find<QPushButton>("btnFolder")->click();
    QCOMPARE(Find<QComboBox>("edtFolder")->currentText(), *chosenFolder_);
    QCOMPARE(FileCaptions(*window_), QStringList{"picked.txt"});
}

void MainFormTest::droppedFilesReachTheHandler() {
    QVERIFY(window_->acceptDrops());
    for (const QWidget* child : window_->findChildren<QWidget*>())
        QVERIFY2(!child->acceptDrops(), qPrintable(child->objectName()));
    window_->DropFiles({"/tmp/one.txt", "/tmp/two.txt"});
    QCOMPARE(Find<QPlainTextEdit>("memDropedFiles")->toPlainText(),
             QStringLiteral("/tmp/one.txt\n/tmp/two.txt"));
    QVERIFY(messages_.shown.empty());
}

void MainFormTest::helpAndWebGoThroughTheShell() {
    window_->Action("AHelp")->trigger();
    QCOMPARE(shell_.documents.size(), std::size_t{1});
    QCOMPARE(shell_.documents[0], test::PathOf(*config_) / "program" / "Help.htm");
    window_->Action("AWeb")->trigger();
    QTest::mouseClick(Find<QWidget>("lblDravenor"), Qt::LeftButton);
    QTest::mouseClick(Find<QWidget>("Image1"), Qt::LeftButton);
    QCOMPARE(shell_.urls.size(), std::size_t{3});
    for (const std::string& url : shell_.urls) {
        QVERIFY(QString::fromStdString(url).startsWith(QStringLiteral("http://")));
        QCOMPARE(url, shell_.urls[0]);
    }
    QCOMPARE(QStringLiteral("http://") + Find<QLabel>("lblDravenor")->text(),
             QString::fromStdString(shell_.urls[0]));
    QCOMPARE(Find<QWidget>("Image1")->toolTip(), Find<QLabel>("lblDravenor")->text());
}

void MainFormTest::optionCheckBoxesFollowTheirCommands() {
    auto* box = Find<QCheckBox>("cbCaseSensitive");
    QAction* action = window_->Action("ACaseSensitive");
    box->click();
    QVERIFY(action->isChecked());
    QCOMPARE(window_->CurrentReplaceFlags(), kReplaceAll);
    action->trigger();  // the menu entry
    QVERIFY(!box->isChecked());
    auto* utf8 = Find<QCheckBox>("cbUtf8");
    window_->Action("AUtf8")->trigger();
    QVERIFY(utf8->isChecked());
}

void MainFormTest::aboutIsShownModallyAndReused() {
    auto* about = Find<QxForm>("frmAbout");
    QVERIFY(about != nullptr);
    QVERIFY(!about->isVisible());
    bool wasModal = false;
    QPoint aboutCentre;
    QTimer::singleShot(0, about, [&] {
        wasModal = about->isVisible() && about->IsShownModal();
        aboutCentre = about->frameGeometry().center();
        about->close();
    });
    window_->Action("AAbout")->trigger();
    QVERIFY(wasModal);
    // Shown over the middle of the main window, wherever that is.
    const QPoint mainCentre = window_->frameGeometry().center();
    QVERIFY2((aboutCentre - mainCentre).manhattanLength() <= 2,
             qPrintable(QStringLiteral("About centred at %1,%2, main window at %3,%4")
                            .arg(aboutCentre.x())
                            .arg(aboutCentre.y())
                            .arg(mainCentre.x())
                            .arg(mainCentre.y())));
    QVERIFY(!about->isVisible());
    QCOMPARE(Find<QxForm>("frmAbout"), about);
}

void MainFormTest::clipboardPageShowsClipboardText() {
    QApplication::clipboard()->setText(QStringLiteral("Текст из буфера"));
    auto* pages = Find<QTabWidget>("PageControl");
    pages->setCurrentWidget(Find<QWidget>("tsClipboard"));
    QCOMPARE(Find<QPlainTextEdit>("memClipboard")->toPlainText(),
             QStringLiteral("Текст из буфера"));
    // Shown again whenever the page is turned to or refreshed, but bringing the commands up to
    // date (every selection change does) keeps what the user typed there.
    Find<QPlainTextEdit>("memClipboard")->setPlainText(QStringLiteral("typed"));
    QApplication::clipboard()->setText(QStringLiteral("second"));
    window_->UpdateActions();
    QCOMPARE(Find<QPlainTextEdit>("memClipboard")->toPlainText(), QStringLiteral("typed"));
    window_->Refresh();
    QCOMPARE(Find<QPlainTextEdit>("memClipboard")->toPlainText(), QStringLiteral("second"));
    QApplication::clipboard()->setText(QStringLiteral("third"));
    pages->setCurrentWidget(Find<QWidget>("tsFiles"));
    pages->setCurrentWidget(Find<QWidget>("tsClipboard"));
    QCOMPARE(Find<QPlainTextEdit>("memClipboard")->toPlainText(), QStringLiteral("third"));
}

}  // namespace qx

QTEST_MAIN(qx::MainFormTest)
#include "MainForm_test.moc"
