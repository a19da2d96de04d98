// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/rules/EditReplaceStringForm.h"

#include <QCursor>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QProcess>
#include <QShowEvent>
#include <QStandardPaths>
#include <algorithm>

#include "engine/TReplace.h"
#include "engine/TextRoutines.h"
#include "platform/Messages.h"
#include "platform/Shell.h"
#include "ui/common/AccessibleNames.h"
#include "ui/common/MemoText.h"
#include "ui/common/ProgramInfo.h"
#include "ui/common/QtText.h"
#include "ui/regex/RegExpForm.h"
#include "ui_EditReplaceStringForm.h"

namespace qx {
namespace {

// The desktop's character maps, in the order they are tried.
constexpr const char* kCharacterMaps[] = {"gucharmap", "kcharselect"};
constexpr const char* kNoCharacterMap =
    "Не найдена программа \"Таблица символов\". Установите gucharmap или kcharselect.";
constexpr const char* kNoHelpFile = "Не найден файл справки:\n";

// The expression that matches a line break of the texts the rules work on.
const QString& EscapedLineBreak() {
    static const QString text = QStringLiteral("\\r\\n");
    return text;
}

// A rule text in token form shown in a memo: "[nw]" as a real line break.
void ShowRuleText(QPlainTextEdit* memo, const std::string& text) {
    SetMemoText(memo, FromCp1251(ReplaceText(text, kTokenWindowsBreak, "\r\n", kReplaceAll)));
}

// A memo's text in token form: every line break as "[nw]".
std::string ReadRuleText(const QPlainTextEdit* memo) {
    return ReplaceText(ToCp1251(MemoText(memo)), "\n", kTokenWindowsBreak, kReplaceAll);
}

// Characters as the rule will hold them: a line break is CR and LF.
qsizetype RuleLength(const QPlainTextEdit* memo) {
    QString text = MemoText(memo);
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return static_cast<qsizetype>(ToCp1251(text).size());
}

}  // namespace

EditReplaceStringForm::EditReplaceStringForm(Messages& messages, Shell& shell, RegExpForm& tester,
                                             std::filesystem::path helpFile, QWidget* parent)
    : QxForm(messages, parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      ui_(std::make_unique<Ui::EditReplaceStringForm>()),
      shell_(shell),
      tester_(tester),
      helpFile_(std::move(helpFile)) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("frmEditReplaceString"));

    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (QWidget* w :
         {static_cast<QWidget*>(ui_->memTextToFind), static_cast<QWidget*>(ui_->memReplaceWith),
          static_cast<QWidget*>(ui_->edtXPath)})
        w->setFont(fixed);
    for (QPlainTextEdit* memo : {ui_->memTextToFind, ui_->memReplaceWith}) {
        memo->setTabChangesFocus(false);  // Tab is a character of the text
        memo->installEventFilter(this);
        connect(memo, &QPlainTextEdit::textChanged, this, &EditReplaceStringForm::UpdateControls);
    }
    ui_->seRepeatCount->setMaximum(kMaxRepeatCount);

    connect(ui_->cbRegExpr, &QCheckBox::clicked, this, [this](bool checked) {
        if (loading_) return;
        ConvertLineBreaks(checked);
        UpdateControls();
    });
    connect(ui_->cbRegExpr, &QCheckBox::toggled, this, &EditReplaceStringForm::UpdateControls);
    connect(ui_->cbXML, &QCheckBox::toggled, this, &EditReplaceStringForm::UpdateControls);
    connect(ui_->rbRepeatCount, &QRadioButton::toggled, this,
            &EditReplaceStringForm::UpdateControls);
    connect(ui_->edtXPath, &QLineEdit::textChanged, this, &EditReplaceStringForm::UpdateControls);
    connect(ui_->Label1, &LinkLabel::clicked, this, [this] { OpenSymbols(ui_->memTextToFind); });
    connect(ui_->Label4, &LinkLabel::clicked, this, [this] { OpenSymbols(ui_->memReplaceWith); });
    connect(ui_->lblRegExpr, &LinkLabel::clicked, this, &EditReplaceStringForm::EditExpression);
    connect(ui_->btnOk, &QPushButton::clicked, this, &EditReplaceStringForm::Accept);
    connect(ui_->btnCancel, &QPushButton::clicked, this, [this] { SetModalResult(0); });
    connect(ui_->btnHelp, &QPushButton::clicked, this, &EditReplaceStringForm::OpenHelp);
    for (QPushButton* button : {ui_->btnOk, ui_->btnCancel, ui_->btnHelp})
        button->setAutoDefault(true);

    BuildSymbolsMenu();
    NameControlsByCaption(this);
    ClearFields();
    UpdateControls();
    setFixedSize(sizeHint().expandedTo(QSize(592, 562)));
}

EditReplaceStringForm::~EditReplaceStringForm() = default;

void EditReplaceStringForm::BuildSymbolsMenu() {
    pupSymbols_ = new QMenu(this);
    pupSymbols_->setObjectName(QStringLiteral("pupSymbols"));
    struct Item {
        const char* name;
        QString caption;
        QString inserts;
        bool visible;
    };
    const Item items[] = {
        {"miReturnWin", QStringLiteral("Перенос строки (Windows)"), FromCp1251(kTokenWindowsBreak),
         false},
        {"miReturnUnix", QStringLiteral("Перенос строки (Unix)"), FromCp1251(kTokenUnixBreak),
         true},
        {"miTab", QStringLiteral("Табуляция"), FromCp1251(kTokenTab), false},
        {"miCopyright", QStringLiteral("©"), QStringLiteral("©"), true},
        {"miReserved", QStringLiteral("®"), QStringLiteral("®"), true},
        {"miTire", QStringLiteral("–  (длинное тире)"), QStringLiteral("–"), true},
        {"miNum", QStringLiteral("Порядковый номер замены"), FromCp1251(kTokenNumber), true},
    };
    for (const Item& item : items) {
        QAction* action = pupSymbols_->addAction(item.caption);
        action->setObjectName(QString::fromLatin1(item.name));
        action->setVisible(item.visible);
        connect(action, &QAction::triggered, this,
                [this, text = item.inserts] { InsertSymbol(text); });
    }
    pupSymbols_->addSeparator();
    QAction* select = pupSymbols_->addAction(QStringLiteral("Выбрать символ..."));
    select->setObjectName(QStringLiteral("miSelectSymbol"));
    connect(select, &QAction::triggered, this, &EditReplaceStringForm::StartCharacterMap);
}

bool EditReplaceStringForm::Edit(TReplace& rule, bool isNew) {
    if (isNew)
        ClearFields();
    else
        SetReplace(rule);
    if (ShowModal() != kOk) return false;
    rule.Find = GetTextToFind();
    rule.Replace = GetReplaceWith();
    rule.xPath = GetXPath();
    rule.Flags = GetFlags();
    rule.Repeat = GetRepeatCount();
    return true;
}

void EditReplaceStringForm::ClearFields() {
    ui_->memTextToFind->clear();
    ui_->memReplaceWith->clear();
    ui_->edtXPath->clear();
    ui_->seRepeatCount->setValue(1);
    ui_->rbRepeatCount->setChecked(true);
    UpdateControls();
}

void EditReplaceStringForm::SetReplace(const TReplace& rule) {
    struct LoadingScope {
        bool& flag;
        explicit LoadingScope(bool& f) : flag(f) { flag = true; }
        ~LoadingScope() { flag = false; }
    };
    {
        const LoadingScope loading(loading_);
        ShowRuleText(ui_->memTextToFind, rule.Find);
        ShowRuleText(ui_->memReplaceWith, rule.Replace);
        ui_->cbXML->setChecked(!rule.xPath.empty());
        ui_->edtXPath->setText(FromCp1251(rule.xPath));
        ui_->cbRegExpr->setChecked(rule.IsRegex());
        if (rule.Repeat != 0) {
            ui_->rbRepeatCount->setChecked(true);
            ui_->seRepeatCount->setValue(std::clamp<std::int32_t>(rule.Repeat, 1, kMaxRepeatCount));
        } else {
            // The count of the previous use stays, disabled and unread.
            ui_->rbRepeatTillExists->setChecked(true);
        }
    }
    UpdateControls();
}

std::string EditReplaceStringForm::GetTextToFind() const {
    return ReadRuleText(ui_->memTextToFind);
}

std::string EditReplaceStringForm::GetReplaceWith() const {
    return ReadRuleText(ui_->memReplaceWith);
}

std::string EditReplaceStringForm::GetXPath() const {
    return ui_->cbXML->isChecked() ? ToCp1251(ui_->edtXPath->text()) : std::string();
}

std::string EditReplaceStringForm::GetFlags() const {
    return ui_->cbRegExpr->isChecked() ? "r" : "";
}

std::int32_t EditReplaceStringForm::GetRepeatCount() const {
    if (ui_->rbRepeatTillExists->isChecked()) return 0;
    bool number = false;
    const int value = ui_->seRepeatCount->cleanText().toInt(&number);
    // A count outside the bounds is never stored: it is what the spin box shows on leaving.
    return number ? std::clamp(value, 1, kMaxRepeatCount) : 1;
}

void EditReplaceStringForm::UpdateControls() {
    const bool hasFind = !MemoText(ui_->memTextToFind).isEmpty();
    const bool hasPath = ui_->cbXML->isChecked() && !ui_->edtXPath->text().isEmpty();
    ui_->btnOk->setEnabled(hasFind || hasPath);
    ui_->lblToFindLen->setText(QString::number(RuleLength(ui_->memTextToFind)));
    ui_->lblReplaceLen->setText(QString::number(RuleLength(ui_->memReplaceWith)));
    ui_->edtXPath->setEnabled(ui_->cbXML->isChecked());
    ui_->lblRegExpr->setEnabled(ui_->cbRegExpr->isChecked());
    ui_->seRepeatCount->setEnabled(ui_->rbRepeatCount->isChecked());
}

void EditReplaceStringForm::ConvertLineBreaks(bool on) {
    QString text = MemoText(ui_->memTextToFind);
    if (on)
        text.replace(QLatin1Char('\n'), EscapedLineBreak());
    else
        text.replace(EscapedLineBreak(), QStringLiteral("\n"));
    SetMemoText(ui_->memTextToFind, text);
}

void EditReplaceStringForm::OpenSymbols(QPlainTextEdit* target) {
    symbolTarget_ = target;
    // The number of the replacement means something only in the inserted text.
    pupSymbols_->findChild<QAction*>(QStringLiteral("miNum"))
        ->setVisible(target == ui_->memReplaceWith);
    pupSymbols_->popup(QCursor::pos());
}

void EditReplaceStringForm::InsertSymbol(const QString& text) {
    if (symbolTarget_ == nullptr) return;
    symbolTarget_->insertPlainText(text);
    symbolTarget_->setFocus();
}

void EditReplaceStringForm::StartCharacterMap() {
    for (const char* program : kCharacterMaps) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(program));
        if (!path.isEmpty() && QProcess::startDetached(path, {})) return;
    }
    messages().Show(kNoCharacterMap, info::kBoxCaption, Messages::Icon::Information);
}

void EditReplaceStringForm::OpenHelp() {
    std::error_code error;
    if (!std::filesystem::is_regular_file(helpFile_, error)) {
        messages().Show(std::string(kNoHelpFile) + helpFile_.string(), info::kBoxCaption,
                        Messages::Icon::Information);
        return;
    }
    shell_.OpenDocument(helpFile_);
}

void EditReplaceStringForm::EditExpression() {
    QString expression = MemoText(ui_->memTextToFind);
    if (tester_.EditExpression(expression)) SetMemoText(ui_->memTextToFind, expression);
}

void EditReplaceStringForm::Accept() {
    if (ui_->btnOk->isEnabled()) SetModalResult(kOk);
}

void EditReplaceStringForm::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        ui_->PageControl1->setCurrentWidget(ui_->tsText);
        ui_->memTextToFind->setFocus();
        if (parentWidget() != nullptr) {
            const QRect owner = parentWidget()->window()->frameGeometry();
            move(owner.center() -
                 QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
        }
    }
    QxForm::showEvent(event);
}

// Enter outside the memos is the default button's.
void EditReplaceStringForm::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == 0 && IsShownModal()) {
        Accept();
        return;
    }
    QxForm::keyPressEvent(event);
}

bool EditReplaceStringForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QxForm::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        SetModalResult(0);
        return true;
    }
    if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::ControlModifier) {
        if (watched == ui_->memTextToFind) {
            ui_->memReplaceWith->setFocus(Qt::TabFocusReason);
        } else {
            // The XML page is shown first: a control of a hidden page takes no focus.
            ui_->PageControl1->setCurrentWidget(ui_->tsXML);
            ui_->cbXML->setFocus(Qt::TabFocusReason);
        }
        return true;
    }
    return QxForm::eventFilter(watched, event);
}

}  // namespace qx
