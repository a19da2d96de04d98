// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tester/ListTestForm.h"

#include <QAbstractItemModel>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHeaderView>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>
#include <cstring>
#include <vector>

#include "engine/CodePage.h"
#include "engine/Encoding.h"
#include "engine/FileIo.h"
#include "engine/ListTest.h"
#include "engine/RuleWarnings.h"
#include "engine/TReplace.h"
#include "engine/TextDiff.h"
#include "engine/TextRoutines.h"
#include "platform/Clipboard.h"
#include "ui/common/QtText.h"
#include "ui/tester/WarningTexts.h"
#include "ui_ListTestForm.h"

namespace qx {
namespace {

// More marks than this would only slow the box down; the first ones show where to look.
constexpr std::size_t kMaxMarks = 5000;

enum Column { kNumber, kFind, kReplace, kCount, kWarnings };

// The text as a box shows it, CR LF as one line break, with where each byte of it went.
QString DisplayText(std::string_view text, std::vector<int>& position) {
    std::string shown;
    shown.reserve(text.size());
    position.assign(text.size() + 1, 0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        position[i] = static_cast<int>(shown.size());
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        shown += text[i];
    }
    position[text.size()] = static_cast<int>(shown.size());
    return FromCp1251(shown);
}

// As the rule list shows it: spaces, line breaks and tabs as their tokens, so a rule of blanks
// is not an empty cell.
QString RuleText(const std::string& text) { return FromCp1251(EncodeTokens(text)); }

}  // namespace

struct ListTestForm::Outcome {
    std::shared_ptr<const RuleSnapshot> rules;
    std::shared_ptr<const std::string> sample;
    ListTestResult result;
    std::vector<RuleWarning> warnings;
};

struct ListTestForm::StepView {
    QString before, after;
    std::vector<std::pair<int, int>> beforeMarks, afterMarks;  // start, length in the box
    bool cut = false;                                          // more changes than marks
};

ListTestForm::ListTestForm(Messages& messages, ListTestEnv env, QWidget* parent)
    : QxForm(messages, parent, Qt::Window),
      ui_(std::make_unique<Ui::ListTestForm>()),
      env_(std::move(env)) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("frmListTest"));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (QPlainTextEdit* box : {ui_->memSample, ui_->memBefore, ui_->memAfter}) {
        box->setFont(fixed);
        box->setTabChangesFocus(false);
    }
    ui_->splMain->setStretchFactor(0, 2);
    ui_->splMain->setStretchFactor(1, 3);
    ui_->splMain->setStretchFactor(2, 3);
    QHeaderView* header = ui_->lvSteps->header();
    header->setStretchLastSection(true);
    ui_->lvSteps->setColumnWidth(kNumber, 44);
    ui_->lvSteps->setColumnWidth(kFind, 200);
    ui_->lvSteps->setColumnWidth(kReplace, 180);
    ui_->lvSteps->setColumnWidth(kCount, 60);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("tmrListTest"));
    timer_->setSingleShot(true);
    timer_->setInterval(kDelayMs);
    connect(timer_, &QTimer::timeout, this, &ListTestForm::StartTest);

    tests_ = std::make_unique<BackgroundJob<std::shared_ptr<const Outcome>>>(
        this, [this](std::shared_ptr<const Outcome>& outcome) { ShowOutcome(outcome); });
    steps_ = std::make_unique<BackgroundJob<std::shared_ptr<StepView>>>(
        this, [this](std::shared_ptr<StepView>& view) { ShowStepView(*view); });

    connect(ui_->memSample, &QPlainTextEdit::textChanged, this, [this] {
        if (!settingSample_) loadedUnchanged_ = false;
        Retest();
    });
    connect(ui_->cbWindowsBreaks, &QCheckBox::toggled, this, [this] {
        loadedUnchanged_ = false;
        Retest();
    });
    connect(ui_->btnLoadSample, &QPushButton::clicked, this, [this] {
        std::filesystem::path path;
        if (env_.chooseSampleFile) {
            path = env_.chooseSampleFile();
        } else {
            const QString name = QFileDialog::getOpenFileName(this, ui_->btnLoadSample->text());
            path = std::filesystem::path(name.toStdString());
        }
        if (!path.empty()) LoadSample(path);
    });
    connect(ui_->btnCopyResult, &QPushButton::clicked, this, &ListTestForm::CopyResult);
    connect(ui_->btnClose, &QPushButton::clicked, this, &QWidget::close);
    connect(ui_->lvSteps, &QTreeWidget::currentItemChanged, this, &ListTestForm::ShowSelectedStep);
    if (env_.rowsModel != nullptr) {
        QAbstractItemModel* model = env_.rowsModel;
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                    // The warning marks of the list change nothing a test would see.
                    if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole) &&
                        !roles.contains(Qt::CheckStateRole))
                        return;
                    Retest();
                });
        connect(model, &QAbstractItemModel::modelReset, this, &ListTestForm::Retest);
        connect(model, &QAbstractItemModel::rowsInserted, this, &ListTestForm::Retest);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &ListTestForm::Retest);
        connect(model, &QAbstractItemModel::layoutChanged, this, &ListTestForm::Retest);
    }
}

ListTestForm::~ListTestForm() {
    // The workers go first: nothing they finish may reach a half-destroyed window.
    tests_.reset();
    steps_.reset();
}

void ListTestForm::ShowTester() {
    show();
    raise();
    activateWindow();
    StartTest();
}

void ListTestForm::Retest() {
    if (isVisible()) timer_->start();
}

bool ListTestForm::IsTesting() const {
    return timer_->isActive() || tests_->Busy() || steps_->Busy();
}

QString ListTestForm::ResultText() const {
    if (!outcome_) return {};
    std::vector<int> unused;
    return DisplayText(outcome_->result.text, unused);
}

std::string ListTestForm::Sample() const {
    if (loadedUnchanged_) return loadedText_;
    std::string text = ToCp1251(ui_->memSample->toPlainText());
    if (!ui_->cbWindowsBreaks->isChecked()) return text;
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return crlf;
}

bool ListTestForm::LoadSample(const std::filesystem::path& path) {
    std::string bytes;
    if (const int error = ReadWholeFile(path, bytes); error != 0) {
        ui_->lblStatus->setText(QString::fromStdString(path.string()) + QStringLiteral(": ") +
                                QString::fromLocal8Bit(std::strerror(error)));
        return false;
    }
    const Utf8Answer answer = IsUtf8Text(bytes, env_.utf8On && env_.utf8On());
    std::optional<std::string> text = DecodeToWorking(bytes, answer);
    if (!text) {
        ui_->lblStatus->setText(QString::fromStdString(path.string()) +
                                QStringLiteral(": текст не в кодировке UTF-8"));
        return false;
    }
    loadedText_ = std::move(*text);
    std::vector<int> unused;
    settingSample_ = true;
    {
        const QSignalBlocker blocker(ui_->cbWindowsBreaks);
        ui_->cbWindowsBreaks->setChecked(loadedText_.find("\r\n") != std::string::npos);
    }
    ui_->memSample->setPlainText(DisplayText(loadedText_, unused));
    settingSample_ = false;
    loadedUnchanged_ = true;
    Retest();
    return true;
}

void ListTestForm::CopyResult() {
    if (!outcome_ || env_.clipboard == nullptr) return;
    env_.clipboard->SetText(Cp1251ToUtf8(outcome_->result.text));
}

void ListTestForm::StartTest() {
    timer_->stop();
    if (env_.rows == nullptr) return;
    auto rules = std::make_shared<const RuleSnapshot>(*env_.rows);
    auto sample = std::make_shared<const std::string>(Sample());
    const ReplaceFlags flags = env_.flags ? env_.flags() : kReplaceAll;
    ui_->lblStatus->setText(QStringLiteral("Проверка ..."));
    tests_->Submit([rules, sample, flags](const std::atomic<bool>& cancel) {
        auto outcome = std::make_shared<Outcome>();
        outcome->rules = rules;
        outcome->sample = sample;
        outcome->result = RunListTest(*rules, flags, *sample, &cancel);
        outcome->warnings = FindRuleWarnings(*rules, flags, &outcome->result.tally);
        return std::shared_ptr<const Outcome>(std::move(outcome));
    });
}

void ListTestForm::ShowOutcome(std::shared_ptr<const Outcome>& outcome) {
    if (outcome->result.cancelled) return;
    const int selectedRow = ui_->lvSteps->currentItem()
                                ? ui_->lvSteps->currentItem()->data(kNumber, Qt::UserRole).toInt()
                                : -1;
    outcome_ = outcome;
    const ListTestResult& result = outcome_->result;
    const RuleSnapshot& rules = *outcome_->rules;
    const TallySource source = TallySource::Sample;

    ui_->lvSteps->setUpdatesEnabled(false);
    {
        const QSignalBlocker blocker(ui_->lvSteps);
        ui_->lvSteps->clear();
        std::size_t step = 0;
        std::size_t total = 0;
        std::size_t warning = 0;
        QTreeWidgetItem* reselect = nullptr;
        for (std::size_t row = 0; row < rules.RowCount(); ++row) {
            const TReplace* rule = rules.ActiveRule(row);
            if (rule == nullptr) continue;
            auto* item = new QTreeWidgetItem(ui_->lvSteps);
            item->setData(kNumber, Qt::UserRole, static_cast<int>(row));
            item->setText(kNumber, QString::number(row + 1));
            item->setText(kFind, RuleText(rule->Find));
            item->setText(kReplace, RuleText(rule->Replace));
            while (step < result.steps.size() && result.steps[step].row < row) ++step;
            if (step < result.steps.size() && result.steps[step].row == row) {
                item->setText(kCount, QString::number(result.steps[step].replacements));
                total += result.steps[step].replacements;
                if (result.steps[step].replacements > 0) {
                    QFont bold = item->font(kCount);
                    bold.setBold(true);
                    item->setFont(kCount, bold);
                }
            } else {
                item->setText(kCount,
                              result.failed && result.failedRowKnown && result.failedRow == row
                                  ? QStringLiteral("ошибка")
                                  : QStringLiteral("—"));
            }
            QStringList texts;
            bool error = false;
            for (; warning < outcome_->warnings.size() && outcome_->warnings[warning].row <= row;
                 ++warning) {
                if (outcome_->warnings[warning].row != row) continue;
                texts << WarningText(outcome_->warnings[warning], rules, source);
                error = error || outcome_->warnings[warning].kind == RuleWarningKind::NotCompiled;
            }
            if (!texts.isEmpty()) {
                item->setText(kWarnings, texts.join(QStringLiteral("; ")));
                item->setToolTip(kWarnings, texts.join(QLatin1Char('\n')));
                item->setIcon(kWarnings,
                              style()->standardIcon(error ? QStyle::SP_MessageBoxCritical
                                                          : QStyle::SP_MessageBoxWarning));
            }
            if (static_cast<int>(row) == selectedRow) reselect = item;
        }
        if (reselect) ui_->lvSteps->setCurrentItem(reselect);

        QString status;
        if (result.failed) {
            const TReplace* rule =
                result.failedRowKnown ? rules.ActiveRule(result.failedRow) : nullptr;
            status = QStringLiteral("Замены не выполнены: ") +
                     (rule ? QStringLiteral("замена ") + RuleName(result.failedRow, *rule) +
                                 QStringLiteral(": ")
                           : QString()) +
                     FromErrorText(result.error);
        } else {
            status = QStringLiteral("Замен всего: %1.").arg(total);
        }
        for (const std::string& line : result.log) status += QLatin1Char('\n') + FromCp1251(line);
        ui_->lblStatus->setText(status);
    }
    ui_->lvSteps->setUpdatesEnabled(true);
    if (env_.sampleTally && !result.failed) env_.sampleTally(rules, result.tally);
    ShowSelectedStep();
    emit testFinished();
}

void ListTestForm::ShowSelectedStep() {
    if (!outcome_) return;
    std::shared_ptr<const std::string> before = outcome_->sample;
    std::shared_ptr<const std::string> after =
        std::make_shared<const std::string>(outcome_->result.text);
    if (QTreeWidgetItem* item = ui_->lvSteps->currentItem()) {
        const auto row = static_cast<std::size_t>(item->data(kNumber, Qt::UserRole).toInt());
        before = after = nullptr;
        for (const ListTestStep& step : outcome_->result.steps)
            if (step.row == row) {
                before = step.before;
                after = step.after;
            }
        ui_->lblBefore->setText(QStringLiteral("До замены №%1:").arg(row + 1));
        ui_->lblAfter->setText(QStringLiteral("После замены №%1:").arg(row + 1));
    } else {
        ui_->lblBefore->setText(QStringLiteral("Исходный текст:"));
        ui_->lblAfter->setText(QStringLiteral("После всех замен:"));
    }
    steps_->Submit([before, after](const std::atomic<bool>&) {
        auto view = std::make_shared<StepView>();
        if (!before || !after) return view;  // the rule did not run, or its texts were not kept
        std::vector<int> beforeAt, afterAt;
        view->before = DisplayText(*before, beforeAt);
        view->after = DisplayText(*after, afterAt);
        const std::vector<TextChange> changes = DiffTexts(*before, *after);
        view->cut = changes.size() > kMaxMarks;
        for (std::size_t i = 0; i < changes.size() && i < kMaxMarks; ++i) {
            const TextChange& c = changes[i];
            const int b0 = beforeAt[c.beforeStart], b1 = beforeAt[c.beforeStart + c.beforeLength];
            const int a0 = afterAt[c.afterStart], a1 = afterAt[c.afterStart + c.afterLength];
            view->beforeMarks.emplace_back(b0, b1 - b0);
            view->afterMarks.emplace_back(a0, a1 - a0);
        }
        return view;
    });
}

void ListTestForm::ShowStepView(StepView& view) {
    const auto show = [](QPlainTextEdit* box, const QString& text,
                         const std::vector<std::pair<int, int>>& marks, const QColor& color) {
        box->setPlainText(text);
        QList<QTextEdit::ExtraSelection> selections;
        selections.reserve(static_cast<qsizetype>(marks.size()));
        QTextCharFormat format;
        format.setBackground(color);
        // An empty place (text inserted or removed on the other side) underlines the character
        // after it: filled like a change, that character would look changed itself.
        QTextCharFormat gap;
        gap.setUnderlineStyle(QTextCharFormat::SingleUnderline);
        gap.setUnderlineColor(color.darker(250));
        for (const auto& [start, length] : marks) {
            QTextEdit::ExtraSelection selection;
            selection.format = length > 0 ? format : gap;
            selection.cursor = QTextCursor(box->document());
            selection.cursor.setPosition(start);
            selection.cursor.setPosition(
                length > 0 ? start + length
                           : std::min<int>(start + 1, static_cast<int>(text.size())),
                QTextCursor::KeepAnchor);
            selections.append(selection);
        }
        box->setExtraSelections(selections);
        if (!marks.empty()) {
            QTextCursor first(box->document());
            first.setPosition(marks.front().first);
            box->setTextCursor(first);
            box->ensureCursorVisible();
        }
    };
    show(ui_->memBefore, view.before, view.beforeMarks, QColor(255, 200, 200));
    show(ui_->memAfter, view.after, view.afterMarks, QColor(190, 240, 190));
    if (view.cut)
        ui_->lblStatus->setText(ui_->lblStatus->text() +
                                QStringLiteral("\nПоказаны первые %1 изменений.").arg(kMaxMarks));
    emit stepShown();
}

}  // namespace qx
