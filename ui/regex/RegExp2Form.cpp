// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/regex/RegExp2Form.h"

#include <QTimer>

#include "engine/JsRegExp.h"
#include "ui/common/AccessibleNames.h"
#include "ui_RegExpTestForm.h"

namespace qx {
namespace {

struct CardEntry {
    const char* pattern;
    const char* meaning;
};

// Three columns of nine rows.
constexpr CardEntry kCard[3][9] = {
    {
        {"[abc]", "Один из символов a, b, c"},
        {"[^abc]", "Любой символ кроме a, b, c"},
        {"[a-z]", "Любой символ из диапазона"},
        {"[a-zА-Я]", "Любой символ из диапазонов"},
        {"^", "Начало строки"},
        {"$", "Конец строки"},
        {"\\A", "Начало текста"},
        {"\\z", "Конец текста"},
        {"\\n", "Символ новой строки в Unix"},
    },
    {
        {".", "Любой символ"},
        {"\\s", "Пробельный символ (в т.ч. табуляция)"},
        {"\\S", "Любой непробельный символ"},
        {"\\d", "Любая цифра"},
        {"\\D", "Не цифра"},
        {"\\w", "Буква (англ. буквы, цифры, подчеркивание)"},
        {"\\W", "Не буква (специальные символы, рус. буквы)"},
        {"\\b", "Граница англ. слова (начало или конец)"},
        {"\\r\\n", "Символ новой строки в Windows"},
    },
    {
        {"(...)", "Группировка (группа)"},
        {"(a|b)", "a или b"},
        {"a?", "Одна a или пусто"},
        {"a*", "Ноль и более раз a"},
        {"a+", "Один и более раз a"},
        {"a{3}", "3 раза a"},
        {"a{3,}", "3 и более раз a"},
        {"a{3,5}", "От 3 до 5 раз a"},
        {"\\t", "Символ табуляции"},
    },
};

// Every non-empty match of one subject: its text, each group as "    $n.  text", then "--"
// when the pattern has groups. A subject whose search fails adds nothing.
bool AddSubject(JsRegExp& re, const std::string& subject, ResultLines& out) {
    const qsizetype before = out.Size();
    try {
        if (re.Exec(subject)) {
            do {
                if (re.Match(0).empty()) continue;
                if (!out.Add(QString::fromStdString(std::string(re.Match(0))))) return false;
                for (int g = 1; g <= re.GroupCount(); ++g) {
                    const std::string_view group = re.Match(g);
                    if (!out.Add(
                            QString::asprintf("    $%d.  ", g) +
                            QString::fromUtf8(group.data(), static_cast<qsizetype>(group.size()))))
                        return false;
                }
                if (re.GroupCount() > 0 && !out.Add(QStringLiteral("--"))) return false;
            } while (re.ExecNext());
        }
    } catch (const std::exception&) {
        out.Truncate(before);
    }
    return true;
}

}  // namespace

RegExp2Form::RegExp2Form(Messages& messages, QWidget* parent)
    : RegExpTestForm(messages, parent, QStringLiteral("frmRegExp2"), 300, QSize(900, 600)),
      re_(std::make_shared<JsRegExp>()) {
    Timer()->setSingleShot(true);  // each burst of changes gives one evaluation
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 9; ++row)
            AddCardEntry(row, column, kCard[column][row].pattern, kCard[column][row].meaning);

    connect(form().edtRegExp, &QLineEdit::textChanged, this, &RegExp2Form::Restart);
    connect(form().memTestStrings, &QPlainTextEdit::textChanged, this, &RegExp2Form::Restart);
    connect(form().cbSingleLines, &QCheckBox::clicked, this, &RegExp2Form::Restart);
    NameControlsByCaption(this);
}

RegExp2Form::~RegExp2Form() = default;

void RegExp2Form::ShowTester() { ShowModal(); }

void RegExp2Form::Restart() { Timer()->start(); }

void RegExp2Form::Evaluate() {
    if (!InputsChanged()) return;
    const bool singleLines = form().cbSingleLines->isChecked();
    const QString pattern = form().edtRegExp->text();
    Subjects subjects = TestSubjects(singleLines, [](const QString& text) {
        return text.toStdString();  // UTF-8
    });
    StartEvaluation([re = re_, pattern = pattern.toStdString(), subjects = std::move(subjects),
                     singleLines]() -> std::optional<QStringList> {
        ResultLines out;
        re->SetPattern(pattern);
        re->SetMultiline(!singleLines);
        for (const std::string& subject : *subjects)
            if (!AddSubject(*re, subject, out)) break;
        return out.Take();
    });
}

}  // namespace qx
