// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// CorrectionPreview: what a correction of files would do, found without writing anything. A
// file is read, checked and run through the rules exactly as the correction does it
// (CorrectFile: the same refusals, the same conditions), but the write is declined at the last
// moment; what remains is the verdict, the number of replacements, the changed places
// (ChangedPlaces) and the fingerprint of the bytes read. Writing later corrects the file anew,
// and only while it still has that fingerprint (Unchanged below), so that an edit made since
// the preview is never overwritten by a correction of the older text.
//
// Example:
//     CorrectionPreview preview(conditions, utf8);
//     RuleEngine engine(rows, preview.Sinks());
//     EngineRules rules(engine, flags);
//     const FilePreview file = preview.Preview(path, rules);

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "batch/ChangedPlaces.h"
#include "batch/ContentHash.h"

namespace qx {

class EngineSinks;
class TextRules;
struct TReplaceConditions;

// The file as the preview read it.
struct FileFingerprint {
    std::uint64_t size = 0;
    std::int64_t mtimeSeconds = 0;
    long mtimeNanoseconds = 0;
    ContentHash::Digest hash{};
};

struct FilePreview {
    enum class Verdict {
        WouldChange,  // the rules change it
        Unchanged,    // nothing to change (or the conditions refused it)
        Skipped,      // the correction would leave it; `reason` says why
    };
    std::filesystem::path path;
    Verdict verdict = Verdict::Unchanged;
    std::string reason;   // UTF-8, for Skipped
    bool notXml = false;  // Skipped only because its xPath rules found no XML document in it
    std::size_t replacements = 0;  // replacements the rules made in it
    ChangedPlaces places;
    FileFingerprint fingerprint;  // for WouldChange
};

class CorrectionPreview {
public:
    // `conditions` (null: none) must outlive the object.
    CorrectionPreview(const TReplaceConditions* conditions, bool utf8Option);
    ~CorrectionPreview();
    CorrectionPreview(const CorrectionPreview&) = delete;
    CorrectionPreview& operator=(const CorrectionPreview&) = delete;

    // The sinks the rules' engine must report to: they count the replacements of each file.
    EngineSinks& Sinks();

    FilePreview Preview(const std::filesystem::path& path, TextRules& rules);

    // For the write after a preview: 0 when the file about to be rewritten, holding `bytes`, is
    // still as the preview read it, else kChangedSince (its correction is then declined).
    static int Unchanged(const FileFingerprint& fingerprint, const std::filesystem::path& path,
                         std::string_view bytes);
    static constexpr int kChangedSince = ESTALE;
    static constexpr std::string_view kChangedSinceText = "изменён после просмотра";

private:
    class Counter;
    std::unique_ptr<Counter> counter_;
    const TReplaceConditions* conditions_;
    bool utf8Option_;
};

}  // namespace qx
