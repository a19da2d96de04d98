// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/correction/RunUndo.h"

#include <QDateTime>
#include <QString>
#include <system_error>

#include "batch/JournalUndo.h"
#include "batch/RunJournal.h"
#include "platform/Messages.h"
#include "ui/common/QtText.h"
#include "ui/log/LogPage.h"

namespace qx {
namespace {

constexpr const char* kCaption = "qxQuendro";
constexpr std::uint64_t kMegabyte = 1024 * 1024;
// The files left alone that the summary names; the log page has them all.
constexpr std::size_t kNamedInSummary = 10;

std::uint64_t TotalSize(const std::vector<std::filesystem::path>& files) {
    std::uint64_t total = 0;
    std::error_code error;
    for (const std::filesystem::path& file : files) {
        const std::uintmax_t size = std::filesystem::file_size(file, error);
        if (!error) total += size;
    }
    return total;
}

std::string Name(const std::filesystem::path& path) { return path.native(); }

}  // namespace

RunUndo::RunUndo(std::filesystem::path folder, Messages& messages, LogPage& log)
    : folder_(std::move(folder)), messages_(messages), log_(log) {
    Refresh();
}

RunUndo::~RunUndo() = default;

void RunUndo::Refresh() { canUndo_ = !folder_.empty() && !RunJournal::Runs(folder_).empty(); }

bool RunUndo::Attach(FileListCorrection& correction,
                     const std::vector<std::filesystem::path>& files) {
    journal_.reset();
    if (folder_.empty() || limitMegabytes_ <= 0) return true;
    const std::uint64_t limit = static_cast<std::uint64_t>(limitMegabytes_) * kMegabyte;
    auto journal = std::make_unique<RunJournal>(folder_, limit);
    const std::uint64_t total = TotalSize(files);
    const bool fits = journal->Fits(total);
    if (!fits || !journal->HasRoom(total, files.size())) {
        // Too large for the journal, or its disk too full to keep the originals: asked before
        // any file is touched, for a run that went on would leave every file after the disk
        // filled up as it was, each one reported.
        const std::string why =
            fits ? "На диске журнала отмены (" + Name(folder_) +
                       ") не хватает места для прежнего содержимого файлов этой коррекции"
                 : "Файлы этой коррекции больше, чем вмещает журнал отмены (" +
                       std::to_string(limitMegabytes_) + " МБ)";
        const std::string text = why +
                                 ": отменить её будет нельзя, а более ранние коррекции\r\n"
                                 "перестанут отменяться.\r\n\r\nВсё равно начать коррекцию?";
        if (!messages_.Ask(text, kCaption)) return false;
        RunJournal::DropAll(folder_);
        Refresh();
        return true;
    }
    journal_ = std::move(journal);
    journal_->Attach(correction);
    return true;
}

void RunUndo::Finish() {
    if (journal_) journal_->Finish();
    journal_.reset();
    Refresh();
}

void RunUndo::Undo() {
    JournalUndo undo(folder_);
    const std::optional<JournalUndo::RunInfo> run = folder_.empty() ? std::nullopt : undo.LastRun();
    if (!run) {
        Refresh();
        messages_.Show("Нет коррекции, которую можно отменить.", kCaption,
                       Messages::Icon::Information);
        return;
    }
    const QString when =
        QDateTime::fromSecsSinceEpoch(run->started).toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    const std::string question =
        "Отменить последнюю коррекцию (" + when.toStdString() +
        ")?\r\nФайлов, которые она изменила: " + std::to_string(run->files) +
        ". Каждый из них, если с тех пор не менялся, получит прежнее "
        "содержимое.";
    if (!messages_.Ask(question, kCaption)) return;

    const UndoReport report = undo.UndoLast();
    Refresh();
    std::string text = "Возвращено файлов: " + std::to_string(report.restored.size()) + ".";
    if (report.alreadyOriginal > 0)
        text += "\r\nУже были в прежнем виде: " + std::to_string(report.alreadyOriginal) + ".";
    if (!report.leftAlone.empty()) {
        text += "\r\nОставлены как есть: " + std::to_string(report.leftAlone.size()) + ".";
        for (std::size_t k = 0; k < report.leftAlone.size(); ++k) {
            const auto& [path, reason] = report.leftAlone[k];
            log_.AppendLine(FromUtf8(Name(path)) + QStringLiteral(": ") + FromUtf8(reason));
            if (k < kNamedInSummary) text += "\r\n" + Name(path) + ": " + reason;
        }
        if (report.leftAlone.size() > kNamedInSummary) text += "\r\n... (все на странице Log)";
    }
    messages_.Show(
        text, kCaption,
        report.leftAlone.empty() ? Messages::Icon::Information : Messages::Icon::Warning);
}

}  // namespace qx
