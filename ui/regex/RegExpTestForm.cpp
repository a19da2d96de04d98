// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/regex/RegExpTestForm.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>

#include "ui/common/AccessibleNames.h"
#include "ui/common/MemoText.h"
#include "ui_RegExpTestForm.h"

namespace qx {

bool ResultLines::Add(const QString& line) {
    if (full_) return false;
    if (lines_.size() + 1 >= kMaxLines) {
        lines_.append(RegExpTestForm::MoreResultsLine());
        full_ = true;
        return false;
    }
    lines_.append(line);
    return true;
}

void ResultLines::Truncate(qsizetype size) {
    if (size < lines_.size()) lines_.resize(size);
    full_ = false;
}

const QString& RegExpTestForm::MoreResultsLine() {
    static const QString line = QStringLiteral("... (показаны не все совпадения)");
    return line;
}

RegExpTestForm::RegExpTestForm(Messages& messages, QWidget* parent, const QString& name,
                               int interval, QSize startSize)
    : QxForm(messages, parent, Qt::Dialog), ui_(std::make_unique<Ui::RegExpTestForm>()) {
    ui_->setupUi(this);
    setObjectName(name);
    resize(startSize);

    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(fixed.pointSizeF() * 1.25);
    ui_->edtRegExp->setFont(fixed);
    ui_->memTestStrings->setTabChangesFocus(false);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer"));
    timer_->setInterval(interval);
    connect(timer_, &QTimer::timeout, this, &RegExpTestForm::Evaluate);
    worker_ = std::make_unique<EvaluationWorker>(this, [this] { ShowResult(); });
    connect(ui_->memTestStrings, &QPlainTextEdit::textChanged, this, [this] { ++textVersion_; });

    connect(ui_->btnOK, &QPushButton::clicked, this, [this] { SetModalResult(kOk); });
    connect(ui_->btnCancel, &QPushButton::clicked, this, [this] { SetModalResult(0); });
    for (QPushButton* button : {ui_->btnOK, ui_->btnCancel}) button->setAutoDefault(true);
}

RegExpTestForm::~RegExpTestForm() = default;

bool RegExpTestForm::IsEvaluating() const { return worker_->Busy(); }

void RegExpTestForm::AddCardEntry(int row, int column, const char* pattern, const char* meaning) {
    auto* patternLabel = new QLabel(QString::fromUtf8(pattern), ui_->pnlCard);
    QFont bold = patternLabel->font();
    bold.setBold(true);
    patternLabel->setFont(bold);
    patternLabel->setTextFormat(Qt::PlainText);
    auto* meaningLabel = new QLabel(QString::fromUtf8(meaning), ui_->pnlCard);
    meaningLabel->setTextFormat(Qt::PlainText);
    // A reader names the pattern with its meaning.
    patternLabel->setAccessibleName(patternLabel->text() + QStringLiteral(" ") +
                                    meaningLabel->text());
    ui_->layoutCard->addWidget(patternLabel, row, 2 * column);
    ui_->layoutCard->addWidget(meaningLabel, row, 2 * column + 1);
    ui_->layoutCard->setColumnStretch(2 * column + 1, 1);
}

void RegExpTestForm::AddCardHeading(int row, int column, const char* name, const char* text) {
    auto* heading = new QLabel(QString::fromUtf8(text), ui_->pnlCard);
    heading->setObjectName(QString::fromLatin1(name));
    QFont underlined = heading->font();
    underlined.setUnderline(true);
    heading->setFont(underlined);
    heading->setAccessibleName(heading->text());
    ui_->layoutCard->addWidget(heading, row, 2 * column, 1, 2);
}

bool RegExpTestForm::InputsChanged() {
    if (ui_->edtRegExp->text().isEmpty() || ui_->memTestStrings->document()->isEmpty())
        return false;
    const Inputs inputs{ui_->edtRegExp->text(), textVersion_, ui_->cbSingleLines->isChecked()};
    if (evaluated_ == inputs) return false;
    evaluated_ = inputs;
    return true;
}

RegExpTestForm::Subjects RegExpTestForm::TestSubjects(bool singleLines,
                                                      std::string (*convert)(const QString&)) {
    if (subjects_ && subjectsVersion_ == textVersion_ && subjectsSingleLines_ == singleLines)
        return subjects_;
    auto subjects = std::make_shared<std::vector<std::string>>();
    if (singleLines) {
        for (const QString& line : MemoLines(ui_->memTestStrings))
            subjects->push_back(convert(line));
    } else {
        QString whole = MemoText(ui_->memTestStrings);
        whole.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        subjects->push_back(convert(whole));
    }
    subjects_ = std::move(subjects);
    subjectsVersion_ = textVersion_;
    subjectsSingleLines_ = singleLines;
    return subjects_;
}

void RegExpTestForm::StartEvaluation(Job job) { worker_->Submit(std::move(job)); }

void RegExpTestForm::ShowResult() {
    const std::optional<EvaluationWorker::Result> result = worker_->TakeResult();
    if (!result) return;  // taken by an earlier call
    const EvaluationWorker::Result& lines = *result;
    if (lines && *lines != shown_) {
        shown_ = *lines;
        QString text = shown_.join(QLatin1Char('\n'));
        // A match across lines shows its lines as they are.
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        // One update, and the user stays where he was looking.
        const int top = ui_->memResult->verticalScrollBar()->value();
        ui_->memResult->setUpdatesEnabled(false);
        ui_->memResult->setPlainText(text);
        ui_->memResult->verticalScrollBar()->setValue(top);
        ui_->memResult->setUpdatesEnabled(true);
    }
    if (!worker_->Busy()) emit EvaluationFinished();
}

void RegExpTestForm::showEvent(QShowEvent* event) {
    if (!event->spontaneous() && parentWidget() != nullptr) {
        const QRect owner = parentWidget()->window()->frameGeometry();
        move(owner.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    QxForm::showEvent(event);
}

// Enter outside the memos is the default button's.
void RegExpTestForm::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == 0 && IsShownModal()) {
        ui_->btnOK->click();
        return;
    }
    QxForm::keyPressEvent(event);
}

}  // namespace qx
