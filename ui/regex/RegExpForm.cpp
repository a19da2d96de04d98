// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/regex/RegExpForm.h"

#include <QEvent>
#include <QTimer>

#include "engine/TRegExpr.h"
#include "ui/common/AccessibleNames.h"
#include "ui/common/QtText.h"
#include "ui_RegExpTestForm.h"

namespace qx {
namespace {

struct CardEntry {
    const char* pattern;
    const char* meaning;
};

constexpr CardEntry kAnchorsAndClasses[] = {
    {"[abc]", "Один из символов a, b, c"},
    {"[^abc]", "Любой символ кроме a, b, c"},
    {"[a-z]", "Любой символ из диапазона"},
    {"[a-zА-Я]", "Любой символ из диапазонов"},
    {"^", "Начало строки"},
    {"$", "Конец строки"},
    {"\\A", "Начало текста"},
    {"\\z", "Конец текста"},
    {"\\n", "Символ новой строки в Unix"},
    {"\\r\\n", "Символ новой строки в Windows"},
    {"\\t", "Символ табуляции"},
};
constexpr CardEntry kCharactersAndGroups[] = {
    {".", "Любой символ"},
    {"\\s", "Пробельный символ (в т.ч. табуляция)"},
    {"\\S", "Любой непробельный символ"},
    {"\\d", "Любая цифра"},
    {"\\D", "Не цифра"},
    {"\\w", "Буква (англ. буквы, цифры, подчеркивание)"},
    {"\\W", "Не буква (специальные символы, рус. буквы)"},
    {"\\b", "Граница англ. слова (начало или конец)"},
    {"(...)", "Группировка (группа)"},
    {"(a|b)", "a или b"},
};
constexpr CardEntry kGreedy[] = {
    {"a?", "Одна a или пусто"}, {"a*", "Ноль и более раз a"}, {"a+", "Один и более раз a"},
    {"a{3}", "3 раза a"},       {"a{3,}", "3 и более раз a"}, {"a{3,5}", "От 3 до 5 раз a"},
};
constexpr CardEntry kLazy[] = {
    {"a*?", "Ноль и более раз a"},
    {"a+?", "Один и более раз a"},
    {"a{3,}?", "3 и более раз a"},
};

// One match: its text, groups 1 to 14 as "    $n.  text", an empty line after groups.
bool AddMatch(const TRegExpr& re, ResultLines& out) {
    if (!out.Add(FromCp1251(re.Match(0)))) return false;
    const int groups = re.SubExprMatchCount();
    for (int g = 1; g <= std::min(groups, TRegExpr::kMaxGroups); ++g)
        if (!out.Add(QString::asprintf("    $%d.  ", g) + FromCp1251(re.Match(g)))) return false;
    return groups <= 0 || out.Add(QString());
}

}  // namespace

RegExpForm::RegExpForm(Messages& messages, QWidget* parent)
    : RegExpTestForm(messages, parent, QStringLiteral("frmRegExp"), 1000, QSize(900, 700)),
      re_(std::make_shared<TRegExpr>()) {
    re_->SetModifierI(true);

    int row = 0;
    for (const CardEntry& e : kAnchorsAndClasses) AddCardEntry(row++, 0, e.pattern, e.meaning);
    row = 0;
    for (const CardEntry& e : kCharactersAndGroups) AddCardEntry(row++, 1, e.pattern, e.meaning);
    row = 0;
    AddCardHeading(row++, 2, "Label11", "Ищем максимальной длины");
    for (const CardEntry& e : kGreedy) AddCardEntry(row++, 2, e.pattern, e.meaning);
    AddCardHeading(row++, 2, "Label12", "Ищем минимальной длины");
    for (const CardEntry& e : kLazy) AddCardEntry(row++, 2, e.pattern, e.meaning);

    // The results can be selected and copied while the timer rests.
    for (QWidget* w :
         {static_cast<QWidget*>(form().memResult), static_cast<QWidget*>(form().edtRegExp),
          static_cast<QWidget*>(form().memTestStrings),
          static_cast<QWidget*>(form().cbSingleLines)})
        w->installEventFilter(this);
    NameControlsByCaption(this);
}

RegExpForm::~RegExpForm() = default;

bool RegExpForm::EditExpression(QString& expression) {
    form().edtRegExp->setText(expression);
    Timer()->start();
    const int result = ShowModal();
    Timer()->stop();
    if (result != kOk) return false;
    expression = form().edtRegExp->text();
    return true;
}

bool RegExpForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        const bool results = watched == form().memResult;
        if (results && event->type() == QEvent::FocusIn)
            Timer()->stop();
        else if ((results || event->type() == QEvent::FocusIn) && isVisible())
            Timer()->start();
    }
    return RegExpTestForm::eventFilter(watched, event);
}

void RegExpForm::Evaluate() {
    if (!InputsChanged()) return;
    const bool singleLines = form().cbSingleLines->isChecked();
    const QString expression = form().edtRegExp->text();
    Subjects subjects = TestSubjects(singleLines, &ToCp1251);
    StartEvaluation([re = re_, pattern = ToCp1251(expression), subjects = std::move(subjects),
                     singleLines]() -> std::optional<QStringList> {
        ResultLines out;
        try {
            re->SetExpression(pattern);
            re->SetModifierM(!singleLines);
            for (const std::string& subject : *subjects) {
                if (singleLines) {
                    // The first match of each line only, so the lines stand level.
                    if (re->Exec(subject) ? !AddMatch(*re, out) : !out.Add(QString())) break;
                } else if (re->Exec(subject)) {
                    while (AddMatch(*re, out) && re->ExecNext()) {
                    }
                }
            }
        } catch (const std::exception&) {
            return std::nullopt;  // an invalid expression keeps the last result on screen
        }
        return out.Take();
    });
}

}  // namespace qx
