// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/XmlSourceMap.h"

#include <libxml/entities.h>

#include <algorithm>
#include <cstdio>
#include <unordered_set>

#include "engine/CodePage.h"
#include "engine/Utf8.h"

namespace qx {

bool IsSpacePreserved(const xmlNode* node) {
    // xmlNodeGetSpacePreserve walks the element's ancestors for xml:space.
    for (const xmlNode* n = node; n; n = n->parent) {
        if (n->type == XML_ELEMENT_NODE) return xmlNodeGetSpacePreserve(n) == 1;
        if (n->type == XML_DOCUMENT_NODE) return false;
    }
    return false;
}

namespace {

using Kind = XmlSourceMap::Kind;
using Place = XmlSourceMap::Place;
using Places = std::unordered_map<const void*, Place>;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view Content(const xmlNode* node) {
    return node->content ? reinterpret_cast<const char*>(node->content) : "";
}

std::string AttributeValue(const xmlNode* attribute) {
    std::string value;
    for (const xmlNode* t = attribute->children; t; t = t->next) value += Content(t);
    return value;
}

// How the parser reads a stretch of the file: element text (line ends normalised, references
// resolved), an attribute value (white space characters also become spaces), or literal
// content (CDATA, comments, processing instructions: line ends only).
enum class Mode { kText, kAttribute, kLiteral };

// One character or reference of a stretch: where it ends in the file and in the content.
struct Segment {
    std::size_t rawEnd;
    std::size_t contentEnd;
};

bool AppendCharacterReference(std::string_view digits, std::string& out) {
    const bool hex = !digits.empty() && digits.front() == 'x';
    if (hex) digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 8) return false;
    char32_t cp = 0;
    for (const char d : digits) {
        int value = -1;
        if (d >= '0' && d <= '9') value = d - '0';
        if (hex && d >= 'a' && d <= 'f') value = d - 'a' + 10;
        if (hex && d >= 'A' && d <= 'F') value = d - 'A' + 10;
        if (value < 0) return false;
        cp = cp * (hex ? 16 : 10) + static_cast<char32_t>(value);
    }
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    AppendUtf8(out, cp);
    return true;
}

// A reference as the parser resolves it. An entity whose replacement text holds markup or
// further references is not followed: the map then gives up.
bool AppendReference(std::string_view name, Mode mode, const xmlDoc* document, std::string& out) {
    if (name.starts_with('#')) return AppendCharacterReference(name.substr(1), out);
    static constexpr std::pair<std::string_view, char> kPredefined[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}};
    for (const auto& [entity, c] : kPredefined) {
        if (name == entity) {
            out += c;
            return true;
        }
    }
    const std::string key(name);
    const xmlEntity* entity =
        xmlGetDocEntity(document, reinterpret_cast<const xmlChar*>(key.c_str()));
    if (!entity || entity->etype != XML_INTERNAL_GENERAL_ENTITY || !entity->content) return false;
    const std::string_view value = reinterpret_cast<const char*>(entity->content);
    if (value.find_first_of("<&") != std::string_view::npos) return false;
    for (const char c : value) out += mode == Mode::kAttribute && IsSpace(c) ? ' ' : c;
    return true;
}

// The content of a stretch of the (windows-1251) file in UTF-8; false for what is not followed.
bool Decode(std::string_view raw, Mode mode, const xmlDoc* document, std::string& out,
            std::vector<Segment>* segments) {
    out.clear();
    if (segments) segments->clear();
    for (std::size_t i = 0; i < raw.size();) {
        const char c = raw[i];
        std::size_t next = i + 1;
        if (c == '\r') {
            if (next < raw.size() && raw[next] == '\n') ++next;
            out += mode == Mode::kAttribute ? ' ' : '\n';
        } else if (mode == Mode::kAttribute && (c == '\n' || c == '\t')) {
            out += ' ';
        } else if (c == '&' && mode != Mode::kLiteral) {
            const std::size_t semicolon = raw.find(';', i);
            if (semicolon == std::string_view::npos) return false;
            if (!AppendReference(raw.substr(i + 1, semicolon - i - 1), mode, document, out))
                return false;
            next = semicolon + 1;
        } else {
            AppendUtf8(out, Cp1251ToCodePoint(static_cast<unsigned char>(c)));
        }
        if (segments) segments->push_back({next, out.size()});
        i = next;
    }
    return true;
}

bool IsAllSpace(std::string_view text) { return std::all_of(text.begin(), text.end(), IsSpace); }

// The name as the file writes it: prefix and local name.
bool NameMatches(std::string_view raw, const xmlNs* ns, const xmlChar* local) {
    std::string name;
    if (ns && ns->prefix) name = std::string(reinterpret_cast<const char*>(ns->prefix)) + ":";
    if (local) name += reinterpret_cast<const char*>(local);
    return Cp1251ToUtf8(raw) == name;
}

// Walks the file and the tree side by side, recording the place of every node that can
// change. Every text, name and value is checked against the tree.
class Scanner {
public:
    Scanner(std::string_view source, const xmlDoc* document, Places& places)
        : s_(source), document_(document), places_(places) {}

    bool Document() {
        if (Ahead("<?xml") && s_.size() > 5 && IsSpace(s_[5]) && !SkipPast("?>")) return false;
        const xmlNode* child = document_->children;
        while (pos_ < s_.size()) {
            if (IsSpace(s_[pos_])) {
                ++pos_;
            } else if (Ahead("<!--") || Ahead("<?")) {
                if (!Misc(child)) return false;
            } else if (Ahead("<!DOCTYPE")) {
                if (!child || child->type != XML_DTD_NODE || !DocumentType()) return false;
                child = child->next;
            } else if (Ahead("<")) {
                if (!Element(child)) return false;
                child = child->next;
            } else {
                return false;
            }
        }
        return child == nullptr;
    }

private:
    bool Ahead(std::string_view what) const { return s_.substr(pos_).starts_with(what); }

    bool SkipPast(std::string_view end) {
        const std::size_t at = s_.find(end, pos_);
        if (at == std::string_view::npos) return false;
        pos_ = at + end.size();
        return true;
    }

    bool SkipQuoted() {
        const std::size_t close = s_.find(s_[pos_], pos_ + 1);
        if (close == std::string_view::npos) return false;
        pos_ = close + 1;
        return true;
    }

    // Comments and processing instructions, here and in element content.
    bool Misc(const xmlNode*& child) {
        if (!child) return false;
        std::size_t begin = 0, end = 0;
        Kind kind = Kind::kComment;
        if (Ahead("<!--")) {
            begin = pos_ + 4;
            end = s_.find("-->", begin);
            if (end == std::string_view::npos || child->type != XML_COMMENT_NODE) return false;
            pos_ = end + 3;
        } else {
            kind = Kind::kProcessingInstruction;
            const std::size_t target = pos_ + 2;
            std::size_t targetEnd = target;
            while (targetEnd < s_.size() && !IsSpace(s_[targetEnd]) &&
                   !s_.substr(targetEnd).starts_with("?>"))
                ++targetEnd;
            begin = targetEnd;
            while (begin < s_.size() && IsSpace(s_[begin])) ++begin;
            end = s_.find("?>", targetEnd);
            if (end == std::string_view::npos || child->type != XML_PI_NODE ||
                !NameMatches(s_.substr(target, targetEnd - target), nullptr, child->name))
                return false;
            begin = std::min(begin, end);
            pos_ = end + 2;
        }
        if (!Check(s_.substr(begin, end - begin), Mode::kLiteral, Content(child))) return false;
        places_[child] = {.kind = kind, .begin = begin, .end = end};
        child = child->next;
        return true;
    }

    bool DocumentType() {
        pos_ += 9;
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (c == '"' || c == '\'') {
                if (!SkipQuoted()) return false;
            } else if (c == '[') {
                ++pos_;
                if (!InternalSubset()) return false;
            } else {
                ++pos_;
                if (c == '>') return true;
            }
        }
        return false;
    }

    bool InternalSubset() {
        while (pos_ < s_.size()) {
            if (Ahead("<!--")) {
                if (!SkipPast("-->")) return false;
            } else if (Ahead("<?")) {
                if (!SkipPast("?>")) return false;
            } else if (s_[pos_] == '"' || s_[pos_] == '\'') {
                if (!SkipQuoted()) return false;
            } else if (s_[pos_++] == ']') {
                return true;
            }
        }
        return false;
    }

    bool Check(std::string_view raw, Mode mode, std::string_view expected) {
        return Decode(raw, mode, document_, decoded_, nullptr) && decoded_ == expected;
    }

    std::size_t NameEnd(std::size_t from) const {
        while (from < s_.size() && !IsSpace(s_[from]) && s_[from] != '/' && s_[from] != '>' &&
               s_[from] != '=')
            ++from;
        return from;
    }

    void SkipSpace() {
        while (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
    }

    bool Element(const xmlNode* element) {
        if (!element || element->type != XML_ELEMENT_NODE) return false;
        Place place{.kind = Kind::kElement};
        place.nameBegin = ++pos_;
        place.nameEnd = pos_ = NameEnd(pos_);
        if (!NameMatches(s_.substr(place.nameBegin, place.nameEnd - place.nameBegin), element->ns,
                         element->name))
            return false;
        const xmlAttr* attribute = element->properties;
        for (;;) {
            SkipSpace();
            if (pos_ >= s_.size()) return false;
            if (Ahead("/>") || Ahead(">")) break;
            const std::size_t nameBegin = pos_;
            pos_ = NameEnd(pos_);
            const std::string_view name = s_.substr(nameBegin, pos_ - nameBegin);
            SkipSpace();
            if (!Ahead("=")) return false;
            ++pos_;
            SkipSpace();
            if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\'')) return false;
            const char quote = s_[pos_];
            const std::size_t begin = pos_ + 1;
            const std::size_t end = s_.find(quote, begin);
            if (end == std::string_view::npos) return false;
            pos_ = end + 1;
            // Namespace declarations are no attributes of the tree.
            if (name == "xmlns" || name.starts_with("xmlns:")) continue;
            const auto* node = reinterpret_cast<const xmlNode*>(attribute);
            if (!attribute || !NameMatches(name, attribute->ns, attribute->name) ||
                !Check(s_.substr(begin, end - begin), Mode::kAttribute, AttributeValue(node)))
                return false;
            places_[node] = {.kind = Kind::kAttribute, .begin = begin, .end = end, .quote = quote};
            attribute = attribute->next;
        }
        if (attribute) return false;
        if (Ahead("/>")) {
            if (element->children) return false;
            place.begin = pos_;
            place.end = pos_ += 2;
            place.emptyTag = true;
        } else {
            place.begin = ++pos_;
            if (!ElementContent(element)) return false;
            place.end = pos_;
            // The end tag.
            pos_ += 2;
            if (!NameMatches(s_.substr(pos_, NameEnd(pos_) - pos_), element->ns, element->name))
                return false;
            pos_ = NameEnd(pos_);
            SkipSpace();
            if (!Ahead(">")) return false;
            ++pos_;
        }
        places_[element] = place;
        return true;
    }

    // Up to the end tag of the element, which it leaves unread.
    bool ElementContent(const xmlNode* element) {
        const xmlNode* child = element->children;
        while (pos_ < s_.size()) {
            if (Ahead("</")) return child == nullptr;
            if (Ahead("<!--") || Ahead("<?")) {
                if (!Misc(child)) return false;
            } else if (Ahead("<![CDATA[")) {
                const std::size_t begin = pos_ + 9;
                const std::size_t end = s_.find("]]>", begin);
                if (end == std::string_view::npos) return false;
                pos_ = end + 3;
                // An empty section may make no node.
                if (begin == end && (!child || child->type != XML_CDATA_SECTION_NODE)) continue;
                if (!child || child->type != XML_CDATA_SECTION_NODE ||
                    !Check(s_.substr(begin, end - begin), Mode::kLiteral, Content(child)))
                    return false;
                places_[child] = {.kind = Kind::kCData, .begin = begin, .end = end};
                child = child->next;
            } else if (Ahead("<")) {
                if (!Element(child)) return false;
                child = child->next;
            } else {
                const std::size_t end = s_.find('<', pos_);
                if (end == std::string_view::npos) return false;
                const std::string_view raw = s_.substr(pos_, end - pos_);
                if (!Decode(raw, Mode::kText, document_, decoded_, nullptr)) return false;
                if (child && child->type == XML_TEXT_NODE && decoded_ == Content(child)) {
                    places_[child] = {.kind = Kind::kText, .begin = pos_, .end = end};
                    child = child->next;
                } else if (!IsAllSpace(decoded_)) {
                    return false;  // white space alone may have been dropped, nothing else
                }
                pos_ = end;
            }
        }
        return false;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    const xmlDoc* document_;
    Places& places_;
    std::string decoded_;
};

// How a changed stretch is written: element text, an attribute value, CDATA content, or the
// content of a comment or processing instruction.
enum class Escape { kText, kAttribute, kCData, kLiteral };

void AppendReferenceTo(std::string& out, char32_t cp) {
    char reference[16];
    std::snprintf(reference, sizeof reference, cp < 0x20 ? "&#%u;" : "&#x%X;",
                  static_cast<unsigned>(cp));
    out += reference;
}

// UTF-8 content as windows-1251 markup. A line feed is written as the line break of the place;
// a carriage return, which the parser would fold into a line break, and a character
// windows-1251 lacks as a reference where one can stand (in text and attribute values; in
// CDATA, comments and instructions a CR is folded and such a character becomes "?").
std::string Escaped(std::string_view utf8, Escape how, char quote, std::string_view lineBreak) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = NextCodePoint(utf8, i);
        if (how != Escape::kAttribute && cp == '\n') {
            out += lineBreak;
            continue;
        }
        const std::optional<unsigned char> byte =
            IsInvalidUtf8Byte(cp) ? std::optional<unsigned char>('?') : CodePointToCp1251(cp);
        switch (how) {
            case Escape::kText:
                if (cp == '&') {
                    out += "&amp;";
                } else if (cp == '<') {
                    out += "&lt;";
                } else if (cp == '>') {
                    out += "&gt;";
                } else if (cp == '\r' || !byte) {
                    AppendReferenceTo(out, cp);
                } else {
                    out += static_cast<char>(*byte);
                }
                break;
            case Escape::kAttribute:
                if (cp == '&') {
                    out += "&amp;";
                } else if (cp == '<') {
                    out += "&lt;";
                } else if (cp == static_cast<unsigned char>(quote)) {
                    out += quote == '"' ? "&quot;" : "&apos;";
                } else if (cp == '\t' || cp == '\n' || cp == '\r' || !byte) {
                    AppendReferenceTo(out, cp);
                } else {
                    out += static_cast<char>(*byte);
                }
                break;
            case Escape::kCData:
            case Escape::kLiteral:
                if (how == Escape::kCData && cp == '>' && out.ends_with("]]")) {
                    out += "]]><![CDATA[>";  // "]]>" cannot stand inside one section
                } else if (cp == '\r') {
                    // No reference stands here: a CR reads back as a line break in any case.
                    if (i >= utf8.size() || utf8[i] != '\n') out += lineBreak;
                } else {
                    out += byte ? static_cast<char>(*byte) : '?';
                }
                break;
        }
    }
    return out;
}

std::string_view LineBreakOf(std::string_view raw, std::string_view fallback) {
    const std::size_t lf = raw.find('\n');
    if (lf == std::string_view::npos) return fallback;
    return lf > 0 && raw[lf - 1] == '\r' ? "\r\n" : "\n";
}

// The stretch of the file with its content changed from `before` to `after` (UTF-8): the
// characters and references before the first change and after the last keep their bytes. The
// two are compared as the rules saw them, in windows-1251, where a character the code page
// lacks (from a reference) reads "?" in both; so it keeps its reference wherever the rules
// changed nothing around it.
std::string SpliceStretch(std::string_view raw, const std::vector<Segment>& segments,
                          std::string_view before, std::string_view after, Escape how, char quote,
                          std::string_view lineBreak) {
    const std::string old = Utf8ToCp1251Lenient(before);
    const std::string now = Utf8ToCp1251Lenient(after);
    std::size_t prefix = 0;
    const std::size_t shorter = std::min(old.size(), now.size());
    while (prefix < shorter && old[prefix] == now[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < shorter - prefix &&
           old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;

    // Segment ends in characters: one per UTF-8 sequence, as in windows-1251.
    std::size_t headRaw = 0, headContent = 0;
    std::size_t tailRaw = raw.size(), tailContent = old.size();
    std::size_t rawBegin = 0, contentBegin = 0, utf8Begin = 0;
    for (const Segment& segment : segments) {
        std::size_t contentEnd = contentBegin;
        for (std::size_t i = utf8Begin; i < segment.contentEnd; ++i)
            if ((static_cast<unsigned char>(before[i]) & 0xC0) != 0x80) ++contentEnd;
        if (contentEnd <= prefix) {
            headRaw = segment.rawEnd;
            headContent = contentEnd;
        }
        if (contentBegin >= old.size() - suffix && tailRaw == raw.size()) {
            tailRaw = rawBegin;
            tailContent = contentBegin;
        }
        rawBegin = segment.rawEnd;
        contentBegin = contentEnd;
        utf8Begin = segment.contentEnd;
    }
    const std::size_t keptTail = old.size() - tailContent;
    std::string out(raw.substr(0, headRaw));
    out += Escaped(Cp1251ToUtf8(std::string_view(now).substr(headContent,
                                                             now.size() - keptTail - headContent)),
                   how, quote, lineBreak);
    std::string_view tail = raw.substr(tailRaw);
    // A ">" the file had after other text may now follow "]]": in content "]]>" does not
    // parse, so that one is written as a reference (the content stays the same).
    if (how == Escape::kText) {
        const std::size_t at = tail.starts_with('>')    ? 0
                               : tail.starts_with("]>") ? 1
                                                        : std::string_view::npos;
        const std::string_view brackets = at == 0 ? "]]" : "]";
        if (at != std::string_view::npos && out.ends_with(brackets)) {
            out.append(tail.substr(0, at));
            out += "&gt;";
            tail.remove_prefix(at + 1);
        }
    }
    out += tail;
    return out;
}

std::size_t LeadingSpace(std::string_view text) {
    std::size_t n = 0;
    while (n < text.size() && IsSpace(text[n])) ++n;
    return n;
}

std::size_t TrailingSpace(std::string_view text) {
    std::size_t n = 0;
    while (n < text.size() && IsSpace(text[text.size() - 1 - n])) ++n;
    return n;
}

// Whether the node still hangs in the document: nodes taken out by setting their parent's
// text are no longer written anywhere.
bool IsAttached(const xmlNode* node) {
    for (const xmlNode* n = node; n; n = n->parent)
        if (n->type == XML_DOCUMENT_NODE) return true;
    return false;
}

}  // namespace

std::optional<XmlSourceMap> XmlSourceMap::Build(std::string_view source, const xmlDoc* document) {
    XmlSourceMap map;
    Scanner scanner(source, document, map.places_);
    if (!scanner.Document()) return std::nullopt;
    map.lineBreak_ = LineBreakOf(source, "\n");
    return map;
}

std::optional<std::string> XmlSourceMap::Splice(std::string_view source,
                                                const std::vector<const xmlNode*>& changed) const {
    struct Edit {
        std::size_t begin, end;
        std::string bytes;
    };
    const std::unordered_set<const void*> changedSet(changed.begin(), changed.end());
    std::unordered_set<const void*> done;
    std::vector<Edit> edits;
    std::string before;
    std::vector<Segment> segments;
    for (const xmlNode* node : changed) {
        if (!IsAttached(node)) continue;
        // An attribute is written whole, whichever of its texts changed.
        const xmlNode* target =
            node->type == XML_TEXT_NODE && node->parent && node->parent->type == XML_ATTRIBUTE_NODE
                ? node->parent
                : node;
        // An element whose content was set anew is written with everything in it; its own
        // attributes stand in its start tag, outside that content.
        bool covered = false;
        const xmlNode* up = target->parent;
        if (target->type == XML_ATTRIBUTE_NODE && up) up = up->parent;
        for (; up && !covered; up = up->parent) covered = changedSet.contains(up);
        if (covered || !done.insert(target).second) continue;
        const auto found = places_.find(target);
        if (found == places_.end()) return std::nullopt;
        const Place& place = found->second;
        const std::string_view raw = source.substr(place.begin, place.end - place.begin);
        Edit edit{place.begin, place.end, {}};
        switch (place.kind) {
            case Kind::kText: {
                if (!Decode(raw, Mode::kText, target->doc, before, &segments)) return std::nullopt;
                std::string after(Content(target));
                // The rules saw the text trimmed: the white space around it stays where it was.
                if (!IsSpacePreserved(target)) {
                    const std::size_t lead = LeadingSpace(before);
                    const std::size_t trail = lead == before.size() ? 0 : TrailingSpace(before);
                    after = before.substr(0, lead) + after + before.substr(before.size() - trail);
                }
                edit.bytes = SpliceStretch(raw, segments, before, after, Escape::kText, '"',
                                           LineBreakOf(raw, lineBreak_));
                break;
            }
            case Kind::kAttribute:
                if (!Decode(raw, Mode::kAttribute, target->doc, before, &segments))
                    return std::nullopt;
                edit.bytes = SpliceStretch(raw, segments, before, AttributeValue(target),
                                           Escape::kAttribute, place.quote, lineBreak_);
                break;
            case Kind::kCData:
                edit.bytes =
                    Escaped(Content(target), Escape::kCData, '"', LineBreakOf(raw, lineBreak_));
                break;
            case Kind::kComment:
            case Kind::kProcessingInstruction:
                edit.bytes =
                    Escaped(Content(target), Escape::kLiteral, '"', LineBreakOf(raw, lineBreak_));
                // "<?pi?>" given content needs the space that parts it from the target.
                if (place.kind == Kind::kProcessingInstruction && !edit.bytes.empty() &&
                    !IsSpace(source[place.begin - 1]))
                    edit.bytes.insert(0, 1, ' ');
                break;
            case Kind::kElement: {
                const xmlNode* child = target->children;
                if (child && (child->next || child->type != XML_TEXT_NODE)) return std::nullopt;
                const std::string text =
                    child ? Escaped(Content(child), Escape::kText, '"', lineBreak_) : "";
                if (!place.emptyTag) {
                    edit.bytes = text;
                } else if (text.empty()) {
                    edit.bytes = raw;
                } else {
                    edit.bytes = ">" + text + "</";
                    edit.bytes += source.substr(place.nameBegin, place.nameEnd - place.nameBegin);
                    edit.bytes += ">";
                }
                break;
            }
        }
        edits.push_back(std::move(edit));
    }
    std::sort(edits.begin(), edits.end(),
              [](const Edit& a, const Edit& b) { return a.begin < b.begin; });
    std::string out;
    std::size_t from = 0;
    for (const Edit& edit : edits) {
        if (edit.begin < from) return std::nullopt;
        out.append(source, from, edit.begin - from);
        out += edit.bytes;
        from = edit.end;
    }
    out.append(source, from);
    return out;
}

}  // namespace qx
