// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// CorrectBuffer: corrects the text of the clipboard page. When the clipboard holds text it
// first replaces the box's text; the box text is then corrected and the result put both on the
// clipboard and in the box, even when no rule changed anything.
//
// The desktop clipboard holds Unicode text, so the buffer is always decoded from UTF-8 into
// windows-1251 for the rules and encoded back to UTF-8 for the clipboard. Whether it counts as
// UTF-8 in the program's sense (the UTF-8 option, a leading U+FEFF byte-order mark, an XML
// declaration naming utf-8) decides what it did on a byte clipboard: a UTF-8 buffer that decodes
// to nothing stops the correction, the byte-order mark is put back on the result, and a buffer
// that is not UTF-8 is corrected even when empty. A text holding characters windows-1251 lacks
// is left alone everywhere, with the reason.

#include "engine/CorrectionResult.h"
#include "engine/EngineRules.h"
#include "engine/TextRules.h"
#include "platform/Clipboard.h"

namespace qx {

struct TReplaceConditions;

// Records of this correction carry an empty file name. `conditions`, when not null, is
// consulted on the decoded text before any rule runs. Rule errors propagate; the clipboard and
// the box then stay as they were. Outcomes: Rewritten or Unchanged (the result went to the
// clipboard and the box either way), RefusedByConditions, NotDecodable, WouldLoseCharacters.
CorrectionResult CorrectBuffer(Clipboard& clipboard, ClipboardBox& page,
                               const TReplaceConditions* conditions, bool utf8Option,
                               TextRules& rules);

inline CorrectionResult CorrectBuffer(Clipboard& clipboard, ClipboardBox& page, ReplaceFlags flags,
                                      const TReplaceConditions* conditions, bool utf8Option,
                                      RuleEngine& engine) {
    EngineRules rules(engine, flags);
    return CorrectBuffer(clipboard, page, conditions, utf8Option, rules);
}

// Puts a UTF-8 text on the clipboard for other programs. Clipboard errors are ignored: the
// text box still shows the result.
void PutClipboardText(Clipboard& clipboard, std::string_view utf8);

}  // namespace qx
