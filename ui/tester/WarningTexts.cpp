// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tester/WarningTexts.h"

#include "engine/ActiveRules.h"
#include "engine/RuleEngine.h"
#include "engine/TReplace.h"
#include "engine/TextRoutines.h"
#include "ui/common/QtText.h"

namespace qx {
namespace {

// The find text in the rule list's form: a rule of blanks shows as "[sp][sp]", not as nothing.
QString Named(std::size_t row, std::string_view find) {
    return QStringLiteral("№%1 «%2»").arg(row + 1).arg(FromCp1251(EncodeTokens(find)));
}

}  // namespace

QString RuleName(std::size_t row, const TReplace& rule) { return Named(row, rule.Find); }

QString WarningText(const RuleWarning& warning, const ActiveRules& rows, TallySource source) {
    switch (warning.kind) {
        case RuleWarningKind::NotCompiled:
            return QStringLiteral("Ошибка в регулярном выражении: ") + FromErrorText(warning.error);
        case RuleWarningKind::MatchesEmpty:
            return QStringLiteral(
                "Выражение может найти пустой текст: замена вставится там, где ничего нет");
        case RuleWarningKind::FoundAgain: {
            const TReplace* later = rows.ActiveRule(warning.laterRow);
            return QStringLiteral("Вставленный текст снова находит замена ") +
                   (later ? RuleName(warning.laterRow, *later)
                          : QStringLiteral("№%1").arg(warning.laterRow + 1));
        }
        case RuleWarningKind::FoundNothing:
            return source == TallySource::Run
                       ? QStringLiteral("Ничего не нашла при последней коррекции")
                       : QStringLiteral("Ничего не нашла в тексте проверки");
    }
    return {};
}

QString RuleErrorText(const std::exception& error) {
    const auto* rule = dynamic_cast<const ERuleRegExpr*>(&error);
    if (rule == nullptr) return FromErrorText(error.what());
    return QStringLiteral("Замена ") + Named(rule->Row(), rule->Find()) + QStringLiteral(":\n") +
           FromErrorText(error.what());
}

QString RefusedRunText(const std::exception& error) {
    if (dynamic_cast<const ERuleRegExpr*>(&error) == nullptr) return FromErrorText(error.what());
    return RuleErrorText(error) + QStringLiteral("\nКоррекция не начата.");
}

}  // namespace qx
