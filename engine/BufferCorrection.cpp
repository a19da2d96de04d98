// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BufferCorrection.h"

#include <exception>
#include <optional>
#include <string>

#include "engine/CodePage.h"
#include "engine/Encoding.h"
#include "engine/TReplaceConditions.h"

namespace qx {
namespace {

CorrectionResult Refused(CorrectionOutcome outcome) { return {outcome, ReasonText(outcome)}; }

}  // namespace

void PutClipboardText(Clipboard& clipboard, std::string_view utf8) {
    try {
        clipboard.SetText(utf8);
    } catch (const std::exception&) {
        // Another program may hold the clipboard; the box shows the result all the same.
    }
}

CorrectionResult CorrectBuffer(Clipboard& clipboard, ClipboardBox& page,
                               const TReplaceConditions* conditions, bool utf8Option,
                               TextRules& rules) {
    rules.SetCurrentFileName({});
    if (clipboard.HasText()) page.SetBoxText(clipboard.Text());
    const std::string buffer = page.BoxText();

    page.StartProgress(rules.ActiveRuleCount());
    // A picture (or anything else that is no text) with nothing in the box to put instead: the
    // clipboard keeps what it holds rather than becoming empty.
    if (buffer.empty() && !clipboard.HasText()) return {CorrectionOutcome::Empty, {}};

    // The box holds Unicode, so the buffer is decoded from UTF-8 in any case; the answer only
    // says whether the program takes it as UTF-8 (byte-order mark, stop on an empty result).
    const Utf8Answer answer = IsUtf8Text(buffer, utf8Option);
    bool lossless = true;
    std::optional<std::string> text =
        DecodeToWorking(buffer, {.utf8 = true, .hasBom = answer.hasBom}, &lossless);
    if (!text) return Refused(CorrectionOutcome::NotDecodable);
    if (answer.utf8 && text->empty()) return Refused(CorrectionOutcome::NotDecodable);

    if (conditions != nullptr && !CheckConditions(*conditions, *text))
        return {CorrectionOutcome::RefusedByConditions, {}};
    if (!lossless) return Refused(CorrectionOutcome::WouldLoseCharacters);

    std::string corrected;
    const bool changed = rules.Apply(*text, corrected) && corrected != *text;
    const std::string result =
        EncodeFromWorking(changed ? corrected : *text, {.utf8 = true, .hasBom = answer.hasBom});

    PutClipboardText(clipboard, result);
    page.SetBoxText(result);
    return {changed ? CorrectionOutcome::Rewritten : CorrectionOutcome::Unchanged, {}};
}

}  // namespace qx
