// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preview/PreviewForm.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <exception>

#include "engine/CodePage.h"
#include "engine/EngineRules.h"
#include "engine/RuleEngine.h"
#include "platform/Messages.h"
#include "ui/common/QtText.h"
#include "ui/preview/PreviewModel.h"
#include "ui/tester/WarningTexts.h"
#include "ui_PreviewForm.h"

namespace qx {
namespace {

// How long one step of the preview may keep the window's events waiting.
constexpr qint64 kStepMs = 40;
constexpr int kFileColumnWidth = 520;
constexpr int kCountColumnWidth = 60;

const char* const kRemovedBack = "#ffdcdc";
const char* const kRemovedMark = "#ff9c9c";
const char* const kAddedBack = "#dcffdc";
const char* const kAddedMark = "#8ce08c";

// A piece of a line in HTML, its line break, carriage return and tabs drawn as signs that
// windows-1251 lacks (so no text can hold them) and the usual fixed-width fonts have.
QString Visible(std::string_view cp1251) {
    QString out;
    for (const QChar c : FromCp1251(cp1251)) {
        switch (c.unicode()) {
            case '\n':
                out += QStringLiteral("↵");
                break;
            case '\r':
                out += QStringLiteral("↤");
                break;
            case '\t':
                out += QStringLiteral("→");
                break;
            case '<':
                out += QStringLiteral("&lt;");
                break;
            case '>':
                out += QStringLiteral("&gt;");
                break;
            case '&':
                out += QStringLiteral("&amp;");
                break;
            default:
                out += c;
        }
    }
    return out;
}

QString LineHtml(const ChangedPlaces::Line& line) {
    using Kind = ChangedPlaces::Line::Kind;
    const bool removed = line.kind == Kind::Removed;
    const bool context = line.kind == Kind::Context;
    QString html = QStringLiteral("<span style=\"color:#808080\">%1 </span>")
                       .arg(static_cast<qulonglong>(line.number), 6);
    html += QChar(static_cast<char>(line.kind));
    html += QLatin1Char(' ');
    if (line.cutBefore) html += QStringLiteral("…");
    const std::string_view text = line.text;
    if (context) {
        html += Visible(text);
    } else {
        const QString back = QString::fromLatin1(removed ? kRemovedBack : kAddedBack);
        const QString mark = QString::fromLatin1(removed ? kRemovedMark : kAddedMark);
        const auto span = [](const QString& color, const QString& inner) {
            return inner.isEmpty() ? inner
                                   : QStringLiteral("<span style=\"background-color:%1\">%2</span>")
                                         .arg(color, inner);
        };
        html += span(back, Visible(text.substr(0, line.markFrom)));
        html += span(mark, Visible(text.substr(line.markFrom, line.markTo - line.markFrom)));
        html += span(back, Visible(text.substr(line.markTo)));
    }
    if (line.cutAfter) html += QStringLiteral("…");
    return html;
}

QString ChangesHtml(const PreviewModel::Row& row) {
    const FilePreview& file = row.file;
    QString html = QStringLiteral("<b>%1</b><br/>").arg(FromUtf8(row.caption).toHtmlEscaped());
    if (file.notXml)
        return html +
               QStringLiteral(
                   "Файл останется как есть: правила с xPath читают только XML, а "
                   "разбор его текста не удался.<br/>") +
               FromUtf8(file.reason).toHtmlEscaped();
    if (file.verdict != FilePreview::Verdict::WouldChange)
        return html + QStringLiteral("Файл будет пропущен: ") +
               FromUtf8(file.reason).toHtmlEscaped();
    html += QStringLiteral("Замен: %1, изменённых мест: %2")
                .arg(static_cast<qulonglong>(file.replacements))
                .arg(static_cast<qulonglong>(file.places.places));
    html += QStringLiteral("<pre style=\"font-family:monospace\">");
    for (const ChangedPlaces::Hunk& hunk : file.places.hunks) {
        html += QStringLiteral("<span style=\"color:#0000a0\">@@ -%1,%2 +%3,%4 @@</span>\n")
                    .arg(static_cast<qulonglong>(hunk.oldStart))
                    .arg(static_cast<qulonglong>(hunk.oldCount))
                    .arg(static_cast<qulonglong>(hunk.newStart))
                    .arg(static_cast<qulonglong>(hunk.newCount));
        for (const ChangedPlaces::Line& line : hunk.lines) html += LineHtml(line) + QChar('\n');
    }
    html += QStringLiteral("</pre>");
    if (file.places.truncated)
        html += QStringLiteral(
            "<i>Показаны первые изменённые места; остальные будут записаны так "
            "же, но здесь не показаны.</i>");
    return html;
}

}  // namespace

PreviewForm::PreviewForm(Messages& messages, QWidget* parent)
    : QxForm(messages, parent, Qt::Dialog), ui_(std::make_unique<Ui::PreviewForm>()) {
    ui_->setupUi(this);
    model_ = new PreviewModel(this);
    QTableView* view = ui_->lvFiles;
    view->setModel(model_);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view->setColumnWidth(PreviewModel::kFile, kFileColumnWidth);
    view->setColumnWidth(PreviewModel::kReplacements, kCountColumnWidth);
    ui_->splPreview->setSizes({220, 380});

    step_ = new QTimer(this);
    step_->setInterval(0);
    connect(step_, &QTimer::timeout, this, &PreviewForm::Step);
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &PreviewForm::ShowSelected);
    connect(ui_->btnStop, &QPushButton::clicked, this,
            [this] { StopComputing(QStringLiteral("Просмотр остановлен. ")); });
    connect(ui_->btnWriteAll, &QPushButton::clicked, this, [this] { Choose(false); });
    connect(ui_->btnWriteChecked, &QPushButton::clicked, this, [this] { Choose(true); });
    connect(ui_->btnClose, &QPushButton::clicked, this, [this] { SetModalResult(0); });
}

PreviewForm::~PreviewForm() = default;

std::vector<PreviewChoice> PreviewForm::Run(PreviewRequest request) {
    request_ = std::move(request);
    model_->Clear();
    ui_->memChanges->clear();
    chosen_.clear();
    ended_.clear();
    next_ = changing_ = skipped_ = notXml_ = 0;
    autoPicked_ = -1;
    preview_ = std::make_unique<CorrectionPreview>(request_.conditions, request_.utf8);
    engine_ = std::make_unique<RuleEngine>(*request_.rules, preview_->Sinks());
    rules_ = std::make_unique<EngineRules>(*engine_, request_.flags);
    computing_ = true;
    UpdateStatus();
    step_->start();
    ShowModal();
    step_->stop();
    computing_ = false;
    // The corrected texts were never kept; only the choice leaves the window.
    rules_.reset();
    engine_.reset();
    preview_.reset();
    model_->Clear();
    return std::move(chosen_);
}

void PreviewForm::Step() {
    QElapsedTimer spent;
    spent.start();
    while (computing_ && next_ < request_.files.size() && spent.elapsed() < kStepMs) {
        const RunFile& file = request_.files[next_++];
        try {
            rules_->SetCurrentFileName(Utf8ToCp1251Lenient(file.caption));
            FilePreview result = preview_->Preview(file.path, *rules_);
            if (result.verdict == FilePreview::Verdict::Unchanged) continue;
            const bool changes = result.verdict == FilePreview::Verdict::WouldChange;
            (changes ? changing_ : result.notXml ? notXml_ : skipped_)++;
            model_->Append(std::move(result), file.caption);
            // The first file that would change is shown, unless the user has picked a row.
            const int last = model_->rowCount() - 1;
            const int current = ui_->lvFiles->currentIndex().row();
            if (current == -1 || (changes && changing_ == 1 && current == autoPicked_)) {
                autoPicked_ = last;
                ui_->lvFiles->setCurrentIndex(model_->index(last, PreviewModel::kFile));
            }
        } catch (const std::exception& error) {
            StopComputing(QStringLiteral("Просмотр прерван ошибкой правила. "));
            messages().Show(RuleErrorText(error).toStdString(), "qxQuendro", Messages::Icon::Error);
            return;
        }
    }
    if (next_ >= request_.files.size()) StopComputing({});
    UpdateStatus();
}

void PreviewForm::StopComputing(const QString& status) {
    if (!computing_) return;
    computing_ = false;
    ended_ = status;
    step_->stop();
    UpdateStatus();
}

void PreviewForm::UpdateStatus() {
    QString text = computing_ ? QString() : ended_;
    // A preview stopped early says how far it got: only the files it looked at can be written.
    if (computing_ || next_ < request_.files.size())
        text += QStringLiteral("Просмотрено файлов: %1 из %2. ")
                    .arg(static_cast<qulonglong>(next_))
                    .arg(static_cast<qulonglong>(request_.files.size()));
    text += QStringLiteral("Будут изменены: %1, пропущены: %2, ")
                .arg(static_cast<qulonglong>(changing_))
                .arg(static_cast<qulonglong>(skipped_));
    if (notXml_ > 0) text += QStringLiteral("не XML: %1, ").arg(static_cast<qulonglong>(notXml_));
    text += QStringLiteral("без изменений: %1.")
                .arg(static_cast<qulonglong>(next_ - changing_ - skipped_ - notXml_));
    ui_->lblStatus->setText(text);
    ui_->btnStop->setEnabled(computing_);
    ui_->btnWriteAll->setEnabled(!computing_ && changing_ > 0);
    ui_->btnWriteChecked->setEnabled(!computing_ && changing_ > 0);
}

void PreviewForm::ShowSelected() {
    const QModelIndex current = ui_->lvFiles->currentIndex();
    if (!current.isValid()) {
        ui_->memChanges->clear();
        return;
    }
    ui_->memChanges->setHtml(ChangesHtml(model_->At(current.row())));
}

void PreviewForm::Choose(bool checkedOnly) {
    if (computing_) return;
    for (const PreviewModel::Row* row : model_->ToWrite(checkedOnly))
        chosen_.push_back({{row->file.path, row->caption}, row->file.fingerprint});
    if (chosen_.empty()) return;  // nothing checked: the preview stays open
    SetModalResult(1);
}

}  // namespace qx
