// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What became of one file or clipboard text handed to the correction: handled (changed or not)
// or refused, and why, in words a caller can put on the log page or on standard error.

#include <string>

namespace qx {

enum class CorrectionOutcome {
    // Handled: CorrectFile's answer is true.
    Rewritten,            // a rule changed the text; it was written back
    Unchanged,            // no rule changed anything; nothing was written
    Empty,                // an empty file: nothing to do
    RefusedByConditions,  // the replace conditions refused the text; nothing written
    // Not handled: the answer is false and nothing was written.
    Missing,              // no file at the path
    NotRegularFile,       // a folder, named pipe, device or socket
    LinkAppeared,         // a symbolic link where a run expected the file itself
    ReadOnly,             // no write permission bit, or no right to open it for writing
    Locked,               // another process holds a lock on it
    CannotOpen,           // any other failure to open or inspect it
    CannotRead,           // reading failed, or it does not fit in memory
    TooLarge,             // correcting it would need more memory than there is; not read
    NotDecodable,         // taken as UTF-8 but not valid UTF-8, or no text after the BOM
    WouldLoseCharacters,  // holds characters windows-1251 lacks; left as it was
    BackupFailed,         // its backup copy could not be made; left as it was
    WriteFailed,          // writing failed; the original bytes were put back
    RestoreFailed,        // writing failed and the original could not be put back
};

struct CorrectionResult {
    CorrectionOutcome outcome = CorrectionOutcome::Unchanged;
    // Why the file or text was not handled (UTF-8, Russian, without the file name); empty
    // when it was handled.
    std::string reason;

    // True when the file or text was handled, changed or not.
    bool Handled() const;
    // True for the refusals a user must hear about, unlike the silent skips of a missing,
    // locked, read-only or undecodable file: characters that would be lost, failed writes.
    bool ShouldReport() const;
};

// The reason text of a refusal; `error` is an errno adding detail, 0 for none.
std::string ReasonText(CorrectionOutcome outcome, int error = 0);
// The reason text when both the write and the restore of the original failed.
std::string RestoreFailedText(int writeError, int restoreError);

}  // namespace qx
