// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The text of a memo as the program keeps it: line breaks as LF, and no-break spaces kept
// (QPlainTextEdit::toPlainText turns them into plain spaces, which would change a rule that
// looks for them).

#include <QString>

class QPlainTextEdit;

namespace qx {

QString MemoText(const QPlainTextEdit* memo);
// A lone CR, a lone LF and CR LF all become one line break.
void SetMemoText(QPlainTextEdit* memo, QString text);
// The memo's lines; a last line break starts no further line.
QStringList MemoLines(const QPlainTextEdit* memo);

}  // namespace qx
