// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FileListCorrection.h"

#include <exception>

#include "engine/CodePage.h"
#include "engine/TextRules.h"

namespace qx {

FileListCorrection::FileListCorrection(TextRules& rules, const TReplaceConditions* conditions,
                                       bool utf8Option)
    : rules_(rules), conditions_(conditions), utf8Option_(utf8Option) {}

FileListCorrection::Summary FileListCorrection::Run(
    const std::vector<std::filesystem::path>& files) {
    Summary summary;
    for (const std::filesystem::path& path : files) {
        if (summary.done > 0 && stopRequested && stopRequested()) {
            summary.stopped = true;
            break;
        }
        rules_.SetCurrentFileName(recordName ? recordName(path)
                                             : Utf8ToCp1251Lenient(path.native()));
        FileReport report;
        report.path = path;
        try {
            report.result = CorrectFile(path, conditions_, utf8Option_, rules_, makeBackup);
            report.verdict = report.result.Handled() ? FileReport::Verdict::Corrected
                                                     : FileReport::Verdict::Skipped;
        } catch (const std::exception& error) {
            report.verdict = FileReport::Verdict::Error;
            report.error = error.what();
            summary.failed = true;
        }
        ++summary.done;
        if (onFileDone) onFileDone(report);
        if (onProgress) onProgress(summary.done, files.size());
        if (summary.failed) break;
    }
    return summary;
}

}  // namespace qx
