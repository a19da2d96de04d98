// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TReplace.h"

#include <cstdio>
#include <utility>

#include "engine/CodePage.h"
#include "engine/ListFormat.h"
#include "engine/TextRoutines.h"
#include "engine/XmlDocument.h"

namespace qx {

namespace {

// Control characters XML 1.0 cannot hold, even as references, are stored as characters of
// the private use area U+E000 + code; a carriage return as a reference, because a parser
// turns a raw CR (and CR LF) into LF. Everything else is written as XmlEscapeText gives it.
constexpr char32_t kControlBase = 0xE000;

std::string EscapeRuleText(std::string_view text) {
    const std::string escaped = XmlEscapeText(text);
    std::string out;
    out.reserve(escaped.size());
    for (char ch : escaped) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r') {
            out += "&#13;";
        } else if (IsXmlForbiddenControl(c)) {
            char ref[16];
            std::snprintf(ref, sizeof ref, "&#x%X;", static_cast<unsigned>(kControlBase + c));
            out += ref;
        } else {
            out += ch;
        }
    }
    return out;
}

// UTF-8 text of a rule field back to windows-1251, the stored control characters included.
std::string DecodeRuleText(const std::string& utf8) {
    std::string out;
    std::size_t start = 0;
    for (std::size_t i = 0; i + 2 < utf8.size(); ++i) {
        // U+E000..U+E01F is EE 80 80..EE 80 9F.
        const auto b2 = static_cast<unsigned char>(utf8[i + 2]);
        if (utf8[i] == '\xEE' && utf8[i + 1] == '\x80' && b2 >= 0x80 && b2 <= 0x9F &&
            IsXmlForbiddenControl(b2 - 0x80)) {
            out += Utf8ToCp1251Lenient(std::string_view(utf8).substr(start, i - start));
            out += static_cast<char>(b2 - 0x80);
            i += 2;
            start = i + 1;
        }
    }
    out += Utf8ToCp1251Lenient(std::string_view(utf8).substr(start));
    return out;
}

std::string ChildText(XmlNode item, std::string_view name) {
    const XmlNode child = item.selectSingleNode(name);
    return child ? DecodeRuleText(child.textUtf8()) : std::string();
}

// One child element of the written item, "<name>text</name>"; `text` is already escaped.
void AppendElement(std::string& out, std::string_view name, std::string_view text) {
    out += '<';
    out += name;
    out += '>';
    out += text;
    out += "</";
    out += name;
    out += '>';
}

}  // namespace

TReplace::TReplace(std::string find, std::string replace, std::string path, std::string flags,
                   bool checked)
    : Checked(checked),
      Find(std::move(find)),
      Flags(std::move(flags)),
      Replace(std::move(replace)),
      xPath(std::move(path)) {}

bool TReplace::IsRegex() const { return Flags.find_first_of("rR") != std::string::npos; }

std::unique_ptr<TReplace> TReplace::Clone() const { return std::make_unique<TReplace>(*this); }

void TReplace::LoadFromXml(std::string_view itemText) {
    XmlDocument doc;
    if (!doc.loadXML(itemText)) return;
    if (const XmlNode item = doc.selectSingleNode(list_element::kItem)) ReadItem(item);
}

void TReplace::ReadItem(const XmlNode& item) {
    using namespace list_element;
    Find = ChildText(item, kFind);
    Replace = ChildText(item, kReplace);
    xPath = ChildText(item, kXPath);
    Flags = ChildText(item, kFlags);
    Checked = ChildText(item, kChecked) == "1";
    Repeat = ParseInt32(ChildText(item, kRepeat)).value_or(1);
}

std::string TReplace::ToXml() const {
    using namespace list_element;
    std::string out = "  <";
    out += kItem;
    out += "> ";
    AppendElement(out, kFind, EscapeRuleText(Find));
    out += ' ';
    AppendElement(out, kReplace, EscapeRuleText(Replace));
    out += ' ';
    // The optional fields stand between two spaces each, as the program has always written them.
    const auto optional = [&out](std::string_view name, const std::string& text) {
        out += ' ';
        AppendElement(out, name, text);
        out += ' ';
    };
    if (Checked) optional(kChecked, "1");
    if (!xPath.empty()) optional(kXPath, EscapeRuleText(xPath));
    if (!Flags.empty()) optional(kFlags, EscapeRuleText(Flags));
    if (Repeat != 1) optional(kRepeat, std::to_string(Repeat));
    out += " </";
    out += kItem;
    out += '>';
    return out;
}

std::string RepeatText(std::int32_t repeat) {
    if (repeat == 0) return "?";
    if (repeat == 1) return {};
    return std::to_string(repeat);
}

int TReplaces::Add(std::unique_ptr<TReplace> rule) {
    if (!rule) return -1;
    items_.push_back(std::move(rule));
    return Count() - 1;
}

void TReplaces::Clear() { items_.clear(); }

void TReplaces::Delete(int index) {
    if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

TReplace* TReplaces::Items(int index) const {
    return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)].get() : nullptr;
}

int TReplaces::IndexOf(const TReplace* rule) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[static_cast<std::size_t>(i)].get() == rule) return i;
    return -1;
}

bool TReplaces::Exchange(int i, int j) {
    if (i < 0 || i >= Count() || j < 0 || j >= Count()) return false;
    std::swap(items_[static_cast<std::size_t>(i)], items_[static_cast<std::size_t>(j)]);
    return true;
}

bool TReplaces::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count()) return false;
    auto rule = std::move(items_[static_cast<std::size_t>(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(rule));
    return true;
}

void TReplaces::LoadFromXml(std::string_view listText) {
    XmlDocument doc;
    if (doc.loadXML(listText)) {
        LoadFromDocument(doc);
    } else {
        Clear();
    }
}

void TReplaces::LoadFromDocument(XmlDocument& document) {
    Clear();
    const std::string path =
        "//" + std::string(list_element::kList) + "/" + std::string(list_element::kItem);
    for (XmlNode& node : document.selectNodes(path)) {
        auto rule = std::make_unique<TReplace>();
        if (node.attributes().empty()) {
            // Every white-space character of the item's texts is kept: a rule that replaces one
            // space by two must survive, also in a list whose root does not preserve space.
            node.setAttribute("xml:space", "preserve");
            rule->ReadItem(node);
        } else {
            // An item with attributes of its own is read as an element by itself, trimmed
            // unless it says otherwise, as it always has been.
            rule->LoadFromXml(node.xml());
        }
        Add(std::move(rule));
    }
}

}  // namespace qx
