// SPDX-License-Identifier: GPL-3.0-or-later
// Building the main window: actions, menus, regions and controls, each with its name.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/CommandTable.h"
#include "ui/FileRowsModel.h"
#include "ui/LinkLabel.h"
#include "ui/MainForm.h"
#include "ui/ProgramInfo.h"
#include "ui/RuleRowsModel.h"

namespace qx {
namespace {

template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* NewLabel(const char* name, const QString& text, QWidget* parent) {
    return Named(new QLabel(text, parent), name);
}

LinkLabel* NewLink(const char* name, const QString& text, QWidget* parent) {
    return new LinkLabel(QString::fromLatin1(name), text, parent);
}

QCheckBox* NewCheck(const char* name, const QString& text, QWidget* parent) {
    return Named(new QCheckBox(text, parent), name);
}

QPlainTextEdit* NewMemo(const char* name, QWidget* parent) {
    auto* memo = Named(new QPlainTextEdit(parent), name);
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::TypeWriter);
    mono.setPixelSize(13);
    memo->setFont(mono);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    return memo;
}

template <typename View>
void SetUpList(View* list) {
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setStretchLastSection(false);
}

// The logo: the program's name on a band of colour, drawn so no picture file is needed.
QPixmap Logo() {
    QPixmap logo(180, 51);
    logo.fill(Qt::white);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x2f, 0x5f, 0x9f));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(4, 6, 172, 39), 8, 8);
    QFont f(QStringLiteral("Tahoma"));
    f.setBold(true);
    f.setPixelSize(20);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(4, 6, 172, 39), Qt::AlignCenter, QStringLiteral("QX Quendro"));
    return logo;
}

}  // namespace

void MainForm::CreateActions() {
    for (const CommandInfo& command : CommandTable()) {
        auto* action = new QAction(QString::fromUtf8(command.caption), this);
        action->setObjectName(QString::fromLatin1(command.name));
        if (command.hint != nullptr) action->setToolTip(QString::fromUtf8(command.hint));
        if (command.shortcut != nullptr)
            action->setShortcut(QKeySequence(QString::fromLatin1(command.shortcut)));
        if (command.group != nullptr)
            action->setProperty("group", QString::fromLatin1(command.group));
        action->setCheckable(command.checkable);
        action->setChecked(command.checkedInitially);
        // Added to the window, so shortcuts work while it is active, also those in no menu.
        addAction(action);
    }
}

void MainForm::BuildLayout() {
    setObjectName(QStringLiteral("frmMainForm"));
    setWindowTitle(QStringLiteral("QX Quendro"));
    setMinimumSize(800, 400);
    // The window's texts are 11 pixels high, in the desktop's family: the bands and rows are
    // laid out for that size.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    move(409, 123);
    resize(800, 639);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->setMenuBar(BuildMenuBar());
    root->addWidget(BuildTopBand());

    splitter_ = Named(new QSplitter(Qt::Vertical, this), "Splitter");
    splitter_->setHandleWidth(4);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(BuildReplacesPanel());
    splitter_->addWidget(BuildPages());
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({257, 300});
    root->addWidget(splitter_, 1);
    root->addWidget(BuildBottomBand());

    BuildStrings();
    BuildPopupMenus();

    tmrUpdate_ = Named(new QTimer(this), "tmrUpdate");
    tmrUpdate_->setInterval(250);
    tmrReplacesUpdate_ = Named(new QTimer(this), "tmrReplacesUpdate");
    tmrReplacesUpdate_->setInterval(250);
    tmrReplacesUpdate_->setSingleShot(true);
}

QMenuBar* MainForm::BuildMenuBar() {
    menuBar_ = Named(new QMenuBar(this), "MainMenu");
    auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (name[0] == '-')
                menu->addSeparator();
            else
                menu->addAction(Action(name));
        }
    };
    QMenu* file = Named(menuBar_->addMenu(QStringLiteral("Файл")), "miFile");
    add(file, {"ANew", "ALoad", "ASave", "-", "AAddFromFile", "ASaveSelectedToFile", "-", "AExit"});
    QMenu* edit = Named(menuBar_->addMenu(QStringLiteral("Редактирование")), "miEdit");
    add(edit, {"AAdd", "ACopy", "AEdit", "ADelete", "-"});
    QMenu* options = Named(menuBar_->addMenu(QStringLiteral("Настройки")), "miSettings");
    add(options, {"ACaseSensitive", "AUtf8", "ABackupOnReplace"});
    QMenu* help = Named(menuBar_->addMenu(QStringLiteral("Справка")), "miHelp");
    add(help, {"AHelp", "AWeb", "AAbout"});
    return menuBar_;
}

QWidget* MainForm::BuildTopBand() {
    auto* band = Named(new QWidget(this), "pnlTop");
    band->setAutoFillBackground(true);
    QPalette pal = band->palette();
    pal.setColor(QPalette::Window, Qt::white);
    band->setPalette(pal);
    // At least the classic 54 pixels; taller when a narrow window wraps the two texts.
    band->setMinimumHeight(54);

    auto* label1 = NewLabel(
        "Label1",
        QStringLiteral(
            "Программа для быстрого исправления файлов, выделенного текста и буфера обмена"),
        band);
    QFont bold(QStringLiteral("Tahoma"));
    bold.setPixelSize(11);
    bold.setBold(true);
    label1->setFont(bold);
    label1->setWordWrap(true);
    auto* label4 = NewLabel(
        "Label4",
        QStringLiteral("Заменяет указанный фрагмент текста во всех отмеченных файлах или буфере "
                       "обмена.\r\nПозволяет использовать Регулярные выражения и язык запросов "
                       "xPath."),
        band);
    label4->setWordWrap(true);

    auto* image = NewLink("Image1", QString(), band);
    image->setPixmap(Logo());
    image->setFixedSize(180, 51);
    image->setToolTip(QString::fromUtf8(info::kWebSite));
    image1_ = image;
    connect(image, &LinkLabel::clicked, this, &MainForm::OpenWebSite);

    auto* lblHelp = NewLink("lblHelp", QStringLiteral("Справка"), band);
    lblHelp->BindAction(Action("AHelp"));
    auto* lblDravenor = NewLink("lblDravenor", QString::fromUtf8(info::kWebSite), band);
    lblDravenor->BindAction(Action("AWeb"));
    auto* lblTest = NewLink("lblTest", QStringLiteral("ТЕСТ"), band);
    lblTest->hide();

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(label1);
    texts->addWidget(label4);
    auto* links = new QVBoxLayout;
    links->setSpacing(2);
    links->addWidget(lblHelp, 0, Qt::AlignRight);
    links->addWidget(lblDravenor, 0, Qt::AlignRight);
    links->addWidget(lblTest, 0, Qt::AlignRight);
    auto* row = new QHBoxLayout(band);
    row->setContentsMargins(8, 1, 2, 1);
    row->addLayout(texts, 1);
    row->addLayout(links);
    row->addWidget(image);
    return band;
}

QWidget* MainForm::BuildReplacesPanel() {
    pnlReplaces_ = Named(new QWidget(this), "pnlReplaces");
    QWidget* p = pnlReplaces_;

    auto* caption = NewLabel("lblReplacesCaption", QStringLiteral("Список замен:"), p);
    struct Link {
        const char* name;
        const char* text;
        const char* action;
        int gapBefore;
        bool onPress;
    };
    const Link topLinks[] = {
        {"lblLoad", "Загрузить", "ALoad", 24, false},
        {"lblAddFromFile", "Добавить из файла", "AAddFromFile", 12, false},
        {"lblAdd", "Добавить", "AAdd", 24, false},
        {"lblCopy", "Копировать", "ACopy", 12, false},
        {"lblEdit", "Редактировать", "AEdit", 12, false},
        {"lblDelete", "Удалить", "ADelete", 12, false},
    };
    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    top->addWidget(caption);
    for (const Link& l : topLinks) {
        top->addSpacing(l.gapBefore);
        auto* link = NewLink(l.name, QString::fromUtf8(l.text), p);
        link->BindAction(Action(l.action), l.onPress);
        top->addWidget(link);
    }
    top->addSpacing(12);
    top->addWidget(NewLabel("lblMove", QStringLiteral("Переместить:"), p));
    const Link moveLinks[] = {
        {"lblMoveUp", "Вверх", "AMoveUp", 6, true},
        {"lblMoveDown", "Вниз", "AMoveDown", 6, true},
    };
    for (const Link& l : moveLinks) {
        top->addSpacing(l.gapBefore);
        auto* link = NewLink(l.name, QString::fromUtf8(l.text), p);
        link->BindAction(Action(l.action), l.onPress);
        top->addWidget(link);
    }
    top->addStretch();

    lvReplaceStrings_ = Named(new QTreeView(p), "lvReplaceStrings");
    lvReplaceStrings_->setModel(ruleModel_);
    SetUpList(lvReplaceStrings_);
    const int widths[] = {225, 220, 200, 50, 50};
    for (int i = 0; i < 5; ++i) lvReplaceStrings_->setColumnWidth(i, widths[i]);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(0);
    const Link checkLinks[] = {
        {"lblReplSelectAll", "Отметить все", "ASelectAll", 0, false},
        {"lblReplUnselectAll", "Снять отметки", "AUnselectAll", 12, false},
        {"lblReplInvert", "Инвертировать", "AInvert", 12, false},
    };
    for (const Link& l : checkLinks) {
        bottom->addSpacing(l.gapBefore);
        auto* link = NewLink(l.name, QString::fromUtf8(l.text), p);
        link->BindAction(Action(l.action), l.onPress);
        bottom->addWidget(link);
    }
    bottom->addSpacing(24);
    cbCheckedOnly_ = NewCheck("cbCheckedOnly", QStringLiteral("только  отмеченные"), p);
    bottom->addWidget(cbCheckedOnly_);
    bottom->addSpacing(12);
    cbFilterReplaces_ = NewCheck("cbFilterReplaces", QStringLiteral("Фильтр"), p);
    bottom->addWidget(cbFilterReplaces_);
    bottom->addSpacing(4);
    edtFilterReplaces_ = Named(new QLineEdit(p), "edtFilterReplaces");
    edtFilterReplaces_->setMaximumWidth(200);
    bottom->addWidget(edtFilterReplaces_);
    bottom->addStretch();
    lblReplaceCount_ = NewLabel("lblReplaceCount", QStringLiteral("0 / 0"), p);
    bottom->addWidget(lblReplaceCount_);

    const QColor darkRed(0x80, 0, 0);
    auto* label5 = NewLabel("Label5",
                            QStringLiteral("[nw] - перевод строки (windows)\n"
                                           "[nu] - перевод строки (unix)\n[t] - табуляция"),
                            p);
    auto* label2 =
        NewLabel("Label2",
                 QStringLiteral("[sp] - пробел\n[nm] - порядковый номер производимой замены\n"
                                "$1, $2, ... $9 - найденные подстроки, группы (...) в регулярных "
                                "выражениях"),
                 p);
    for (QLabel* l : {label5, label2}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, darkRed);
        l->setPalette(pal);
    }
    auto* legend = new QHBoxLayout;
    legend->addWidget(label5);
    legend->addSpacing(24);
    legend->addWidget(label2);
    legend->addStretch();

    auto* column = new QVBoxLayout(p);
    column->setContentsMargins(6, 4, 6, 2);
    column->setSpacing(4);
    column->addLayout(top);
    column->addWidget(lvReplaceStrings_, 1);
    column->addLayout(bottom);
    column->addLayout(legend);
    return p;
}

QWidget* MainForm::BuildFilesPage() {
    tsFiles_ = Named(new QWidget, "tsFiles");
    QWidget* p = tsFiles_;

    pnlFolder_ = Named(new QWidget(p), "pnlFolder");
    edtFolder_ = Named(new QComboBox(pnlFolder_), "edtFolder");
    edtFolder_->setEditable(true);
    edtFolder_->setInsertPolicy(QComboBox::NoInsert);
    edtFolder_->setCompleter(nullptr);
    btnFolder_ = Named(new QPushButton(QStringLiteral("..."), pnlFolder_), "btnFolder");
    btnFolder_->setFixedWidth(btnFolder_->fontMetrics().horizontalAdvance(QStringLiteral("...")) +
                              16);
    auto* folderRow = new QHBoxLayout(pnlFolder_);
    folderRow->setContentsMargins(0, 0, 0, 0);
    folderRow->setSpacing(2);
    folderRow->addWidget(edtFolder_, 1);
    folderRow->addWidget(btnFolder_);
    // The folder box keeps at least 100 pixels whatever the mask box takes.
    pnlFolder_->setMinimumWidth(100);

    pnlMask_ = Named(new QWidget(p), "pnlMask");
    cmbMask_ = Named(new QComboBox(pnlMask_), "cmbMask");
    cmbMask_->setEditable(true);
    cmbMask_->setInsertPolicy(QComboBox::NoInsert);
    cmbMask_->setCompleter(nullptr);
    cmbMask_->setMaxVisibleItems(16);
    auto* maskRow = new QHBoxLayout(pnlMask_);
    maskRow->setContentsMargins(0, 0, 0, 0);
    maskRow->addWidget(cmbMask_);

    splitter2_ = Named(new QSplitter(Qt::Horizontal, p), "Splitter2");
    splitter2_->setChildrenCollapsible(false);
    splitter2_->addWidget(pnlFolder_);
    splitter2_->addWidget(pnlMask_);
    splitter2_->setStretchFactor(0, 1);
    splitter2_->setStretchFactor(1, 0);
    splitter2_->setSizes({500, 137});

    btnRefresh_ = Named(new QPushButton(QStringLiteral("Обновить"), p), "btnRefresh");
    cbRecursive_ = NewCheck("cbRecursive", QStringLiteral("Во всех вложенных подпапках"), p);

    auto* row = new QHBoxLayout;
    row->addWidget(NewLabel("Label6", QStringLiteral("Папка:"), p));
    row->addWidget(splitter2_, 1);
    row->addWidget(btnRefresh_);
    row->addWidget(cbRecursive_);

    lvFiles_ = Named(new QTreeView(p), "lvFiles");
    fileModel_ = new FileRowsModel(this);
    lvFiles_->setModel(fileModel_);
    SetUpList(lvFiles_);
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPixelSize(11);
    lvFiles_->setFont(verdana);
    lvFiles_->setColumnWidth(0, 700);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(0);
    struct Link {
        const char* name;
        const char* text;
        const char* action;
        int gapBefore;
    };
    const Link links[] = {
        {"lblSelectAll", "Отметить все", "ASelectAllFiles", 0},
        {"lblUnselectAll", "Снять отметки", "AUnSelectAllFiles", 12},
        {"lblInvert", "Инвертировать", "AInvertAllFiles", 12},
    };
    for (const Link& l : links) {
        bottom->addSpacing(l.gapBefore);
        auto* link = NewLink(l.name, QString::fromUtf8(l.text), p);
        link->BindAction(Action(l.action));
        bottom->addWidget(link);
    }
    bottom->addSpacing(24);
    cbCheckedOnlyFiles_ = NewCheck("cbCheckedOnlyFiles", QStringLiteral("только  отмеченные"), p);
    bottom->addWidget(cbCheckedOnlyFiles_);
    bottom->addSpacing(12);
    cbFilter_ = NewCheck("cbFilter", QStringLiteral("Фильтр"), p);
    bottom->addWidget(cbFilter_);
    bottom->addSpacing(4);
    edtFilter_ = Named(new QLineEdit(p), "edtFilter");
    edtFilter_->setMaximumWidth(200);
    bottom->addWidget(edtFilter_);
    bottom->addStretch();
    lblFilesCount_ = NewLabel("lblFilesCount", QStringLiteral("0 / 0"), p);
    bottom->addWidget(lblFilesCount_);
    bottom->addSpacing(8);

    auto* column = new QVBoxLayout(p);
    column->setContentsMargins(6, 6, 6, 4);
    column->addLayout(row);
    column->addWidget(lvFiles_, 1);
    column->addLayout(bottom);
    return p;
}

QWidget* MainForm::BuildPages() {
    pageControl_ = Named(new QTabWidget(this), "PageControl");
    pageControl_->addTab(BuildFilesPage(), QStringLiteral("Файлы"));

    tsClipboard_ = Named(new QWidget, "tsClipboard");
    memClipboard_ = NewMemo("memClipboard", tsClipboard_);
    (new QVBoxLayout(tsClipboard_))->addWidget(memClipboard_);
    pageControl_->addTab(tsClipboard_, QStringLiteral("Буфер обмена"));

    tsDropedFiles_ = Named(new QWidget, "tsDropedFiles");
    memDropedFiles_ = NewMemo("memDropedFiles", tsDropedFiles_);
    (new QVBoxLayout(tsDropedFiles_))->addWidget(memDropedFiles_);
    pageControl_->addTab(tsDropedFiles_, QStringLiteral("Файлы"));

    auto* tsLog = Named(new QWidget, "TabSheet1");
    memLog_ = NewMemo("memLog", tsLog);
    memLog_->setReadOnly(true);
    (new QVBoxLayout(tsLog))->addWidget(memLog_);
    pageControl_->addTab(tsLog, QStringLiteral("Log"));
    return pageControl_;
}

QWidget* MainForm::BuildBottomBand() {
    auto* band = Named(new QWidget(this), "pnlBottom");
    band->setFixedHeight(41);
    progressBar_ = Named(new QProgressBar(band), "ProgressBar");
    progressBar_->setTextVisible(false);
    progressBar_->setFixedWidth(200);
    progressBar_->setValue(0);
    auto* cbUtf8 = NewCheck("cbUtf8", Action("AUtf8")->text(), band);
    BindButton(cbUtf8, Action("AUtf8"));
    auto* cbCaseSensitive = NewCheck("cbCaseSensitive", Action("ACaseSensitive")->text(), band);
    BindButton(cbCaseSensitive, Action("ACaseSensitive"));

    auto* row = new QHBoxLayout(band);
    row->setContentsMargins(8, 4, 8, 4);
    row->addWidget(progressBar_);
    row->addSpacing(12);
    row->addWidget(cbUtf8);
    row->addWidget(cbCaseSensitive);
    row->addStretch();
    const std::pair<const char*, const char*> buttons[] = {
        {"btnConvert", "AReplace"}, {"btnCondConvert", "ACondReplace"}, {"btnClose", "AExit"}};
    for (const auto& [name, action] : buttons) {
        auto* button = Named(new QPushButton(Action(action)->text(), band), name);
        BindButton(button, Action(action));
        row->addWidget(button);
    }
    return band;
}

void MainForm::BuildStrings() {
    pnlStrings_ = Named(new QWidget(this), "pnlStrings");
    pnlStrings_->hide();
    const std::pair<const char*, const char*> labels[] = {
        {"lblDeleteSelectedItems", "Вы хотите удалить выделенные элементы?"},
        {"lblWarning", "Внимание"},
        {"lblFolderNotFound", "Папка не найдена. Проверьте путь."},
        {"lblWrongFileMask", "Введенный текст не может быть маской файла."},
        {"lblNoSelectedFiles", "Нет выделенных файлов"},
        {"lblConfirm", "Подтверждение"},
        {"lblStartReplace", "Начать коррекцию в файлах?"},
        {"lblCorrectionFinished",
         "Коррекция завершена. Произведено замен: %d.\r\nОткрыть список произведенных замен?"},
        {"lblNoSelectedReplaces", "Нет отмеченных замен"},
        {"lblSaveList", "Сохранить список перед очисткой?"},
        {"lblListSaved", "Список сохранен"},
    };
    for (const auto& [name, text] : labels) NewLabel(name, QString::fromUtf8(text), pnlStrings_);
}

void MainForm::BuildPopupMenus() {
    auto fill = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (name[0] == '-')
                menu->addSeparator();
            else
                menu->addAction(Action(name));
        }
        return menu;
    };
    pupReplaceStrings_ =
        fill(Named(new QMenu(this), "pupReplaceStrings"),
             {"ACheckSelected", "AUncheckSelected", "-", "AAdd", "AEdit", "ADelete", "-",
              "ASelectAll", "AUnselectAll", "AInvert", "-", "ASaveSelectedToFile"});
    pupFiles_ =
        fill(Named(new QMenu(this), "pupFiles"),
             {"ACheckSelectedFiles", "AUnCheckSelectedFiles", "-", "AReplace", "ACondReplace", "-",
              "ASelectAllFiles", "AUnSelectAllFiles", "AInvertAllFiles"});
    pupMain_ = fill(Named(new QMenu(this), "pupMain"),
                    {"AReplaceInClipboard", "-", "AShowHide", "-", "AExit"});
}

}  // namespace qx
