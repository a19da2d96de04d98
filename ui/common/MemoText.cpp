// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/MemoText.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace qx {

QString MemoText(const QPlainTextEdit* memo) {
    QString text = memo->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void SetMemoText(QPlainTextEdit* memo, QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    memo->setPlainText(text);
}

QStringList MemoLines(const QPlainTextEdit* memo) {
    const QString text = MemoText(memo);
    if (text.isEmpty()) return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n'))) lines.removeLast();
    return lines;
}

}  // namespace qx
