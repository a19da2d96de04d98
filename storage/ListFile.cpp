// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/ListFile.h"

#include <array>
#include <string>
#include <system_error>
#include <utility>

#include "engine/CodePage.h"
#include "engine/FileIo.h"
#include "engine/ListFormat.h"
#include "engine/TReplace.h"
#include "engine/TReplaceConditions.h"
#include "engine/TRuleRows.h"
#include "engine/TextRoutines.h"
#include "engine/XmlDocument.h"
#include "platform/Messages.h"

namespace qx {
namespace {

constexpr std::string_view kDeclaration = R"(<?xml version="1.0" encoding="windows-1251"?>)";
constexpr std::string_view kRootSpace = R"( xml:space="preserve")";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kConditionEscapes = "<>&'\"";

// The four condition elements in the order they are written.
enum ConditionIndex { kIfContains, kIfAbsent, kDontIfContains, kDontIfAbsent, kConditionCount };
constexpr std::array<std::string_view, kConditionCount> kConditionElements = {
    "ReplaceIfContains", "ReplaceIfAbsent", "DontReplaceIfContains", "DontReplaceIfAbsent"};

std::array<const std::string*, kConditionCount> ConditionTexts(const TReplaceConditions& c) {
    return {&c.ReplaceIfContainsText, &c.ReplaceIfAbsentText, &c.DontReplaceIfContainsText,
            &c.DontReplaceIfAbsentText};
}

// Every line break as CR LF: the parser hands them over as LF, the condition boxes hold CR LF.
std::string WithCrLf(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            result += kLineEnd;
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            result += kLineEnd;
        } else {
            result += c;
        }
    }
    return result;
}

// The part after the last "/", or empty when there is none; the parser's url is windows-1251.
std::string LastPathPart(std::string_view url) {
    const std::size_t slash = url.rfind('/');
    if (slash == std::string_view::npos) return {};
    return std::string(url.substr(slash + 1));
}

}  // namespace

std::string ListParseErrorText(const XmlParseError& error) {
    // "Cтрока" begins with the Latin capital C, as the program has always written it.
    std::string text = "Файл: ";
    text += Cp1251ToUtf8(LastPathPart(error.url));
    text += "\r\n\r\n";
    text += Cp1251ToUtf8(error.reason);
    text += "\r\nCтрока: ";
    text += std::to_string(error.line);
    text += ", позиция: ";
    text += std::to_string(error.linepos);
    text += "\r\n\r\n";
    text += Cp1251ToUtf8(error.srcText);
    return text;
}

std::string ListFileText(const TReplaceConditions& conditions,
                         const std::vector<const TReplace*>& rules) {
    std::string text;
    auto addLine = [&text](std::string_view line) {
        text += line;
        text += kLineEnd;
    };
    addLine(kDeclaration);
    addLine("<" + std::string(list_element::kList) + std::string(kRootSpace) + ">");
    const auto texts = ConditionTexts(conditions);
    for (int i = 0; i < kConditionCount; ++i) {
        const std::string& value = *texts[static_cast<std::size_t>(i)];
        if (value.empty()) continue;
        const std::string_view name = kConditionElements[static_cast<std::size_t>(i)];
        std::string line = "  <";
        line += name;
        line += '>';
        // A control character XML cannot hold would make the whole list unreadable: left out.
        line += XmlEscapeChars(WithCrLf(WithoutXmlForbiddenControls(value)), kConditionEscapes);
        line += "</";
        line += name;
        line += '>';
        addLine(line);
    }
    for (const TReplace* rule : rules) {
        if (rule != nullptr) addLine(rule->ToXml());
    }
    addLine("</" + std::string(list_element::kList) + ">");
    return text;
}

TListFile::TListFile(TReplaces& rules, TRuleRows& rows, TReplaceConditions& conditions,
                     Messages& messages)
    : rules_(rules), rows_(rows), conditions_(conditions), messages_(messages) {}

void TListFile::ReadConditions(XmlDocument& document) {
    std::array<std::string, kConditionCount> values;
    for (int i = 0; i < kConditionCount; ++i) {
        const std::string path = std::string(list_element::kList) + "/" +
                                 std::string(kConditionElements[static_cast<std::size_t>(i)]);
        const XmlNode node = document.selectSingleNode(path);
        if (node) values[static_cast<std::size_t>(i)] = WithCrLf(node.text());
    }
    TReplaceConditions& c = conditions_;
    c.ReplaceIfContainsText = values[kIfContains];
    c.ReplaceIfAbsentText = values[kIfAbsent];
    c.DontReplaceIfContainsText = values[kDontIfContains];
    c.DontReplaceIfAbsentText = values[kDontIfAbsent];
    c.ReplaceIfContains = !c.ReplaceIfContainsText.empty();
    c.ReplaceIfAbsent = !c.ReplaceIfAbsentText.empty();
    c.DontReplaceIfContains = !c.DontReplaceIfContainsText.empty();
    c.DontReplaceIfAbsent = !c.DontReplaceIfAbsentText.empty();
    c.ReplaceGroup = c.ReplaceIfContains || c.ReplaceIfAbsent;
    c.DontReplaceGroup = c.DontReplaceIfContains || c.DontReplaceIfAbsent;
}

bool TListFile::LoadList(const std::filesystem::path& path, bool append) {
    std::error_code error;
    // A folder, pipe or device is no list file (and opening a pipe could hang).
    if (!std::filesystem::is_regular_file(path, error)) return false;

    const bool checkedOnly = rows_.CheckedOnlyView();
    if (append) {
        rows_.FillReplaceList(checkedOnly, false);
    } else {
        // Keep the marks the rows show, in case the file does not load and the rows come back.
        rows_.StoreChecks();
        rows_.Clear();
    }

    XmlDocument document;
    if (!document.load(path)) {
        if (!append) rows_.FillReplaceList(checkedOnly, true);
        messages_.Show(ListParseErrorText(document.parseError()), kListParseErrorCaption,
                       Messages::Icon::Warning);
        return false;
    }

    ReadConditions(document);
    if (append) {
        TReplaces loaded;
        loaded.LoadFromDocument(document);
        for (int i = 0; i < loaded.Count(); ++i) rules_.Add(loaded.Items(i)->Clone());
    } else {
        rules_.LoadFromDocument(document);
    }
    rows_.FillReplaceList(checkedOnly, true);
    currentListFile_ = path;
    return true;
}

bool TListFile::SaveList(const std::filesystem::path& path) {
    rows_.StoreChecks();
    std::vector<const TReplace*> rules;
    for (int i = 0; i < rules_.Count(); ++i) rules.push_back(rules_.Items(i));
    return WriteRules(path, rules);
}

bool TListFile::SaveRows(const std::filesystem::path& path, std::vector<std::size_t> selectedRows) {
    rows_.StoreChecks();
    std::vector<const TReplace*> rules;
    for (TReplace* rule : rows_.RulesOfRows(std::move(selectedRows))) rules.push_back(rule);
    return WriteRules(path, rules);
}

bool TListFile::WriteRules(const std::filesystem::path& path,
                           const std::vector<const TReplace*>& rules) {
    if (!WriteFileReplacing(path, ListFileText(conditions_, rules))) return false;
    currentListFile_ = path;
    return true;
}

void TListFile::ClearList() {
    rows_.Clear();
    rules_.Clear();
}

}  // namespace qx
