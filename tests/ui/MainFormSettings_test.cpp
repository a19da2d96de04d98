// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's start-up and close with a temporary configuration folder: with and
// without Settings.xml, a damaged file, and the files written when the window closes.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTreeView>
#include <fstream>
#include <sstream>

#include "TestDoubles.h"
#include "ui/main/MainForm.h"

namespace qx {
namespace {

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

class MainFormSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsWithInitialStateWithoutSettingsFile();
    void restoresStoredSettingsAndScansFolder();
    void emptySettingsElementGivesFallbacks();
    void damagedFileKeepsBoundsAndStopsLoading();
    void closeWritesSettingsWithoutAsking();
    void closeThatCannotWriteTheListSaysSo();
    void closedStateComesBackOnNextStart();
    void paneHeightAndMaskWidthHoldOnScreen();
    void windowStoredOffScreenOpensOnScreen();

private:
    void Start();
    template <typename T>
    T* Find(const char* name) const {
        return window_->findChild<T*>(QString::fromLatin1(name));
    }
    std::filesystem::path Config() const { return test::PathOf(*config_); }

    std::unique_ptr<QTemporaryDir> config_;
    std::unique_ptr<QTemporaryDir> data_;
    test::RecordingMessages messages_;
    test::RecordingShell shell_;
    std::unique_ptr<MainForm> window_;
};

void MainFormSettingsTest::init() {
    config_ = std::make_unique<QTemporaryDir>();
    data_ = std::make_unique<QTemporaryDir>();
    messages_ = {};
}

void MainFormSettingsTest::cleanup() {
    window_.reset();
    data_.reset();
    config_.reset();
}

void MainFormSettingsTest::Start() {
    window_.reset();
    MainFormEnv env;
    env.configFolder = Config();
    env.programFolder = Config();
    env.messages = &messages_;
    env.shell = &shell_;
    window_ = std::make_unique<MainForm>(std::move(env));
    window_->InitMainWindow();
}

void MainFormSettingsTest::startsWithInitialStateWithoutSettingsFile() {
    Start();
    QCOMPARE(window_->pos(), QPoint(409, 123));
    QCOMPARE(window_->size(), QSize(800, 639));
    QCOMPARE(Find<QTreeView>("lvFiles")->columnWidth(0), 700);
    QCOMPARE(Find<QTreeView>("lvReplaceStrings")->columnWidth(0), 225);
    QCOMPARE(Find<QComboBox>("cmbMask")->currentText(), QStringLiteral("*.*"));
    QCOMPARE(Find<QComboBox>("cmbMask")->count(), 7);
    QVERIFY(!window_->Action("ACaseSensitive")->isChecked());
    QVERIFY(!window_->Action("AUtf8")->isChecked());
    QVERIFY(window_->Action("ABackupOnReplace")->isChecked());
    QVERIFY(messages_.shown.empty());
    // Starting reads; it writes nothing.
    QVERIFY(!std::filesystem::exists(Config() / "Settings.xml"));
}

void MainFormSettingsTest::restoresStoredSettingsAndScansFolder() {
    const auto folder = test::PathOf(*data_);
    WriteFile(folder / "a.txt", "x");
    WriteFile(folder / "b.md", "x");
    const std::string f = folder.string();
    WriteFile(Config() / "Settings.xml",
              "<Settings><Masks>*.md\t\"my *.txt\"</Masks><Folders>/old/one\t" + f +
                  "\t</Folders><Left>30</Left><Top>40</Top><Width>900</Width>"
                  "<Height>700</Height><Replaces_Column1>111</Replaces_Column1>"
                  "<Files_Column1>333</Files_Column1><FilesFolder>" +
                  f +
                  "</FilesFolder><CurMask>*.md</CurMask>"
                  "<Replaces_CheckedOnly>True</Replaces_CheckedOnly><Filter>zz</Filter>"
                  "<ReplacesFilter>rule</ReplacesFilter><IgnoreCase>false</IgnoreCase>"
                  "<UTF8>1</UTF8><BackupFiles>False</BackupFiles></Settings>");
    Start();
    QVERIFY(messages_.shown.empty());
    QCOMPARE(window_->pos(), QPoint(30, 40));
    QCOMPARE(window_->size(), QSize(900, 700));
    QCOMPARE(Find<QTreeView>("lvReplaceStrings")->columnWidth(0), 111);
    QCOMPARE(Find<QTreeView>("lvReplaceStrings")->columnWidth(1), 220);
    auto* cmbMask = Find<QComboBox>("cmbMask");
    QCOMPARE(cmbMask->currentText(), QStringLiteral("*.md"));
    QCOMPARE(cmbMask->count(), 9);
    QCOMPARE(cmbMask->itemText(7), QStringLiteral("*.md"));
    QCOMPARE(cmbMask->itemText(8), QStringLiteral("my *.txt"));
    auto* edtFolder = Find<QComboBox>("edtFolder");
    QCOMPARE(edtFolder->currentText(), QString::fromStdString(f));
    QVERIFY(Find<QCheckBox>("cbCheckedOnly")->isChecked());
    QCOMPARE(Find<QLineEdit>("edtFilter")->text(), QStringLiteral("zz"));
    QCOMPARE(Find<QLineEdit>("edtFilterReplaces")->text(), QStringLiteral("rule"));
    QVERIFY(window_->Action("ACaseSensitive")->isChecked());
    QVERIFY(window_->Action("AUtf8")->isChecked());
    QVERIFY(!window_->Action("ABackupOnReplace")->isChecked());
    // The stored folder was scanned with the stored mask (the filter switch starts off).
    auto* files = Find<QTreeView>("lvFiles");
    QCOMPARE(files->model()->rowCount(), 1);
    QCOMPARE(files->model()->index(0, 0).data().toString(), QStringLiteral("b.md"));
    QCOMPARE(files->columnWidth(0), 333);
    // The scan put the folder at the top of the history, without a duplicate.
    QCOMPARE(edtFolder->count(), 2);
    QCOMPARE(edtFolder->itemText(0), QString::fromStdString(f));
}

void MainFormSettingsTest::emptySettingsElementGivesFallbacks() {
    WriteFile(Config() / "Settings.xml", "<Settings/>");
    Start();
    QVERIFY(messages_.shown.empty());
    QCOMPARE(Find<QTreeView>("lvFiles")->columnWidth(0), 600);
    QCOMPARE(Find<QComboBox>("cmbMask")->currentText(), QStringLiteral("*.*"));
    QVERIFY(window_->Action("ABackupOnReplace")->isChecked());
    window_->close();
    const std::string saved = ReadFile(Config() / "Settings.xml");
    for (const char* element :
         {"<Files_Column1>600</Files_Column1>", "<MaskWidth>120</MaskWidth>",
          "<Replaces_Height>250</Replaces_Height>", "<Replaces_Column3>200</Replaces_Column3>"})
        QVERIFY2(saved.find(element) != std::string::npos, element);
}

void MainFormSettingsTest::damagedFileKeepsBoundsAndStopsLoading() {
    const auto folder = test::PathOf(*data_);
    WriteFile(folder / "a.txt", "x");
    WriteFile(Config() / "Settings.xml",
              "<Settings><Masks>*.md</Masks><Left>5</Left><Width>wide</Width>"
              "<Files_Column1>333</Files_Column1><FilesFolder>" +
                  folder.string() + "</FilesFolder><UTF8>True</UTF8></Settings>");
    Start();
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    QCOMPARE(
        QString::fromStdString(messages_.shown[0].text),
        QStringLiteral("Файл Settings.xml поврежден. Часть настроек загрузить\r\nне удалось."));
    QCOMPARE(QString::fromStdString(messages_.shown[0].caption), QStringLiteral("Внимание"));
    QVERIFY(messages_.shown[0].icon == Messages::Icon::Warning);
    QCOMPARE(window_->pos(), QPoint(409, 123));
    QCOMPARE(window_->size(), QSize(800, 639));
    QCOMPARE(Find<QTreeView>("lvFiles")->columnWidth(0), 700);
    QVERIFY(!window_->Action("AUtf8")->isChecked());
    QCOMPARE(Find<QComboBox>("cmbMask")->count(), 7);
    QCOMPARE(Find<QTreeView>("lvFiles")->model()->rowCount(), 0);  // no scan
    QCOMPARE(window_->windowTitle(), QStringLiteral("QX Quendro 1.0"));
    // Closing writes a sound file and keeps the damaged one beside it.
    const std::string damaged = ReadFile(Config() / "Settings.xml");
    window_->close();
    QCOMPARE(ReadFile(Config() / "Settings.xml.bak"), damaged);
    QVERIFY(ReadFile(Config() / "Settings.xml").find("<Width>800</Width>") != std::string::npos);
}

void MainFormSettingsTest::closeWritesSettingsWithoutAsking() {
    Start();
    window_->close();
    QVERIFY(std::filesystem::exists(Config() / "Settings.xml"));
    QVERIFY(messages_.asked.empty());
    QVERIFY(messages_.shown.empty());
    const std::string saved = ReadFile(Config() / "Settings.xml");
    QVERIFY(saved.find("<Left>409</Left>") != std::string::npos);
    QVERIFY(saved.find("<BackupFiles>True</BackupFiles>") != std::string::npos);
    // A second close (the window is gone already) writes nothing new.
    std::filesystem::remove(Config() / "Settings.xml");
    window_->close();
    QVERIFY(!std::filesystem::exists(Config() / "Settings.xml"));
}

void MainFormSettingsTest::closeThatCannotWriteTheListSaysSo() {
    // Anything in the way of Default.lst (here a folder of that name; a full disk alike): the
    // changes of the list would be lost with the window, so the close says so, once.
    Start();
    std::filesystem::create_directory(Config() / "Default.lst");
    window_->close();
    QCOMPARE(messages_.shown.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(messages_.shown[0].caption), QStringLiteral("Ошибка записи"));
    QVERIFY(messages_.shown[0].icon == Messages::Icon::Error);
    QVERIFY(messages_.shown[0].text.find((Config() / "Default.lst").native()) != std::string::npos);
    QVERIFY(messages_.asked.empty());
    QVERIFY(std::filesystem::is_directory(Config() / "Default.lst"));
    QVERIFY(std::filesystem::exists(Config() / "Settings.xml"));
}

void MainFormSettingsTest::closedStateComesBackOnNextStart() {
    const auto folder = test::PathOf(*data_);
    WriteFile(folder / "a.txt", "x");
    Start();
    Find<QComboBox>("edtFolder")->setEditText(QString::fromStdString(folder.string()));
    Find<QComboBox>("cmbMask")->setEditText(QStringLiteral("*.txt *.log"));
    window_->Refresh();
    window_->Action("AUtf8")->trigger();
    window_->Action("ABackupOnReplace")->trigger();
    window_->move(50, 60);
    window_->close();

    Start();
    QVERIFY(messages_.shown.empty());
    QCOMPARE(window_->pos(), QPoint(50, 60));
    QCOMPARE(Find<QComboBox>("cmbMask")->itemText(7), QStringLiteral("*.txt *.log"));
    QCOMPARE(Find<QComboBox>("cmbMask")->count(), 8);
    QCOMPARE(Find<QComboBox>("edtFolder")->itemText(0), QString::fromStdString(folder.string()));
    QVERIFY(window_->Action("AUtf8")->isChecked());
    QVERIFY(!window_->Action("ABackupOnReplace")->isChecked());
    QCOMPARE(Find<QTreeView>("lvFiles")->model()->rowCount(), 1);
}

void MainFormSettingsTest::paneHeightAndMaskWidthHoldOnScreen() {
    WriteFile(Config() / "Settings.xml",
              "<Settings><MaskWidth>150</MaskWidth><Replaces_Height>200</Replaces_Height>"
              "</Settings>");
    Start();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QCOMPARE(Find<QWidget>("pnlMask")->width(), 150);
    QCOMPARE(Find<QWidget>("pnlReplaces")->height(), 200);
    // A taller window gives the room to the pages below, not to the rule pane.
    window_->resize(window_->width(), window_->height() + 100);
    QTRY_COMPARE(Find<QWidget>("PageControl")->height() > 200, true);
    QCOMPARE(Find<QWidget>("pnlReplaces")->height(), 200);
    window_->close();
    const std::string saved = ReadFile(Config() / "Settings.xml");
    QVERIFY(saved.find("<MaskWidth>150</MaskWidth>") != std::string::npos);
    QVERIFY(saved.find("<Replaces_Height>200</Replaces_Height>") != std::string::npos);
}

void MainFormSettingsTest::windowStoredOffScreenOpensOnScreen() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const int farRight = screen.right() + 2000;
    WriteFile(Config() / "Settings.xml",
              "<Settings><Left>" + std::to_string(farRight) +
                  "</Left><Top>50</Top><Width>820</Width><Height>640</Height></Settings>");
    Start();
    QVERIFY(messages_.shown.empty());
    QCOMPARE(window_->pos(), screen.topLeft());
    QCOMPARE(window_->size(), QSize(820, 640));

    // Half on the screen is on the screen.
    const int halfOut = screen.right() - 400;
    WriteFile(Config() / "Settings.xml",
              "<Settings><Left>" + std::to_string(halfOut) +
                  "</Left><Top>50</Top><Width>820</Width><Height>640</Height></Settings>");
    Start();
    QCOMPARE(window_->pos(), QPoint(halfOut, 50));

    // Where it fits, it is moved just far enough to lie wholly on the screen: here its height.
    WriteFile(Config() / "Settings.xml",
              "<Settings><Left>0</Left><Top>" + std::to_string(screen.bottom() - 100) +
                  "</Top><Width>820</Width><Height>400</Height></Settings>");
    Start();
    QCOMPARE(window_->size(), QSize(820, 400));
    QCOMPARE(window_->pos(), QPoint(0, screen.bottom() + 1 - 400));
}

}  // namespace qx

QTEST_MAIN(qx::MainFormSettingsTest)
#include "MainFormSettings_test.moc"
