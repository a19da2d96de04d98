// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/CorrectionPreview.h"

#include <sys/stat.h>

#include <cerrno>
#include <utility>

#include "engine/CodePage.h"
#include "engine/EngineSinks.h"
#include "engine/FileCorrection.h"
#include "engine/TextRules.h"

namespace qx {
namespace {

// Declines the write that would follow a change; any errno but the ones a copy can fail with.
constexpr int kDeclined = ECANCELED;

// The rules, keeping the last text they were given and what they made of it.
class KeepingRules final : public TextRules {
public:
    explicit KeepingRules(TextRules& rules) : rules_(rules) {}
    bool Apply(std::string_view text, std::string& corrected) override {
        before = std::string(text);
        const bool replaced = rules_.Apply(text, corrected);
        after = replaced ? corrected : before;
        return replaced;
    }
    std::size_t ActiveRuleCount() const override { return rules_.ActiveRuleCount(); }
    void SetCurrentFileName(std::string name) override { rules_.SetCurrentFileName(name); }

    std::string before;
    std::string after;

private:
    TextRules& rules_;
};

bool Fingerprint(const std::filesystem::path& path, std::string_view bytes, FileFingerprint& out) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    out.size = bytes.size();
    out.mtimeSeconds = info.st_mtim.tv_sec;
    out.mtimeNanoseconds = info.st_mtim.tv_nsec;
    out.hash = ContentHash::Of(bytes);
    return true;
}

}  // namespace

class CorrectionPreview::Counter final : public EngineSinks {
public:
    void AddDoneReplace(std::string_view, std::string_view, std::string_view) override {
        ++replacements;
    }
    void StepProgress() override {}
    void AppendLog(std::string_view line) override {
        if (log.empty()) log = Cp1251ToUtf8(line);
    }
    std::size_t replacements = 0;
    std::string log;  // the first line: why an xPath rule could not act
};

CorrectionPreview::CorrectionPreview(const TReplaceConditions* conditions, bool utf8Option)
    : counter_(std::make_unique<Counter>()), conditions_(conditions), utf8Option_(utf8Option) {}

CorrectionPreview::~CorrectionPreview() = default;

EngineSinks& CorrectionPreview::Sinks() { return *counter_; }

FilePreview CorrectionPreview::Preview(const std::filesystem::path& path, TextRules& rules) {
    FilePreview file;
    file.path = path;
    counter_->replacements = 0;
    counter_->log.clear();
    KeepingRules keeping(rules);
    bool declined = false;
    const BackupCopy decline = [&](const std::filesystem::path& at, std::string_view bytes) {
        declined = Fingerprint(at, bytes, file.fingerprint);
        return kDeclined;
    };
    const CorrectionResult result = CorrectFile(path, conditions_, utf8Option_, keeping, decline);
    file.replacements = counter_->replacements;
    if (declined && result.outcome == CorrectionOutcome::BackupFailed) {
        file.verdict = FilePreview::Verdict::WouldChange;
        file.places = FindChangedPlaces(keeping.before, keeping.after);
    } else if (result.Handled()) {
        file.verdict = FilePreview::Verdict::Unchanged;
        // An xPath rule that met no XML document leaves the file for a reason worth showing.
        if (result.outcome == CorrectionOutcome::Unchanged && !counter_->log.empty()) {
            file.verdict = FilePreview::Verdict::Skipped;
            file.reason = counter_->log;
            file.notXml = true;
        }
    } else {
        file.verdict = FilePreview::Verdict::Skipped;
        // A declined write whose file could not be looked at is a file that cannot be opened.
        file.reason = result.outcome == CorrectionOutcome::BackupFailed
                          ? ReasonText(CorrectionOutcome::CannotOpen)
                          : result.reason;
    }
    return file;
}

int CorrectionPreview::Unchanged(const FileFingerprint& fingerprint,
                                 const std::filesystem::path& path, std::string_view bytes) {
    FileFingerprint now;
    if (!Fingerprint(path, bytes, now)) return kChangedSince;
    const bool same = now.size == fingerprint.size && now.hash == fingerprint.hash &&
                      now.mtimeSeconds == fingerprint.mtimeSeconds &&
                      now.mtimeNanoseconds == fingerprint.mtimeNanoseconds;
    return same ? 0 : kChangedSince;
}

}  // namespace qx
