// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TextRoutines.h"

#include <array>
#include <charconv>
#include <cstring>
#include <optional>
#include <utility>

#include "engine/CaseFoldSearcher.h"
#include "engine/CodePage.h"

namespace qx {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// True when no byte of the text has another letter case: a case-insensitive search for it is
// then the plain search.
bool HasNoCasedLetter(std::string_view text) {
    const auto& lower = LowerTable();
    const auto& upper = UpperTable();
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (lower[byte] != byte || upper[byte] != byte) return false;
    }
    return true;
}

// The entity for each byte that is to be escaped; empty for the others.
using EntityTable = std::array<std::string_view, 256>;

std::string EscapeWith(std::string_view text, const EntityTable& entities) {
    std::size_t length = text.size();
    for (char c : text) {
        const auto& entity = entities[static_cast<unsigned char>(c)];
        if (!entity.empty()) length += entity.size() - 1;
    }
    if (length == text.size()) return std::string(text);
    std::string out;
    out.reserve(length);
    for (char c : text) {
        const auto& entity = entities[static_cast<unsigned char>(c)];
        if (entity.empty()) {
            out.push_back(c);
        } else {
            out.append(entity);
        }
    }
    return out;
}

std::string_view EntityFor(char c) {
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        case '\'':
            return "&apos;";
        default:
            return {};
    }
}

}  // namespace

std::string EncodeTokens(std::string_view text) {
    // A text of spaces only has nothing for the other steps to change.
    if (!HasNonSpace(text)) return ReplaceText(text, " ", kTokenSpace, kReplaceAll);
    // CR LF first, so that the LF of a Windows line break never becomes [nu].
    std::string out = ReplaceText(text, "\r\n", kTokenWindowsBreak, kReplaceAll);
    out = ReplaceText(out, "\n", kTokenUnixBreak, kReplaceAll);
    return ReplaceText(out, "\t", kTokenTab, kReplaceAll);
}

std::string DecodeTokens(std::string_view text, bool lineBreaksOnly) {
    std::string out = ReplaceText(text, kTokenWindowsBreak, "\r\n", kReplaceAll);
    out = ReplaceText(out, kTokenUnixBreak, "\n", kReplaceAll);
    if (lineBreaksOnly) return out;
    out = ReplaceText(out, kTokenTab, "\t", kReplaceAll);
    return ReplaceText(out, kTokenSpace, " ", kReplaceAll);
}

namespace {

// One left-to-right walk over the occurrences of a find text: exact, or without regard to letter
// case straight on the text (no lower-cased copy).
class Occurrences {
public:
    Occurrences(std::string_view text, std::string_view pattern, bool ignoreCase)
        : text_(text), pattern_(pattern) {
        if (ignoreCase && !HasNoCasedLetter(pattern)) folded_.emplace(pattern);
    }
    std::size_t Find(std::size_t from) {
        return folded_ ? folded_->Find(text_, from) : FindBytes(text_, pattern_, from);
    }

private:
    std::string_view text_;
    std::string_view pattern_;
    std::optional<CaseFoldSearcher> folded_;
};

}  // namespace

std::string ReplaceText(std::string_view text, std::string_view pattern,
                        std::string_view replacement, ReplaceFlags flags) {
    if (text.empty() || pattern.empty() || pattern == replacement) return std::string(text);

    const bool ignoreCase = (flags & kIgnoreCase) != 0;
    const bool all = (flags & kReplaceAll) != 0;
    const std::size_t patternLength = pattern.size();

    Occurrences counting(text, pattern, ignoreCase);
    const std::size_t first = counting.Find(0);
    if (first == npos) return std::string(text);

    if (patternLength == replacement.size()) {
        std::string out(text);
        for (std::size_t pos = first; pos != npos; pos = counting.Find(pos + patternLength)) {
            std::memcpy(out.data() + pos, replacement.data(), patternLength);
            if (!all) break;
        }
        return out;
    }

    std::size_t count = 0;
    for (std::size_t pos = first; pos != npos; pos = counting.Find(pos + patternLength)) {
        ++count;
        if (!all) break;
    }

    // A searcher serves one walk: the second walk, which builds the result, takes its own.
    Occurrences building(text, pattern, ignoreCase);
    std::string out;
    out.reserve(text.size() - count * patternLength + count * replacement.size());
    std::size_t copied = 0;
    std::size_t pos = first;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) pos = building.Find(pos + patternLength);
        out.append(text.substr(copied, pos - copied));
        out.append(replacement);
        copied = pos + patternLength;
    }
    out.append(text.substr(copied));
    return out;
}

std::string JoinStrings(const std::vector<std::string>& parts, std::string_view separator) {
    if (parts.empty()) return {};
    std::size_t length = separator.size() * (parts.size() - 1);
    for (const auto& part : parts) length += part.size();
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out.append(separator);
        out.append(parts[i]);
    }
    return out;
}

// Escaping "&" first and the other characters after gives the same text as escaping every
// character in one pass: no entity holds a character that a later step would escape.
std::string XmlEscapeText(std::string_view text) {
    static const EntityTable entities = [] {
        EntityTable table{};
        for (char c : {'&', '<', '>'}) table[static_cast<unsigned char>(c)] = EntityFor(c);
        return table;
    }();
    return EscapeWith(text, entities);
}

std::string XmlEscapeChars(std::string_view text, std::string_view charset) {
    EntityTable entities{};
    for (char c : charset) entities[static_cast<unsigned char>(c)] = EntityFor(c);
    return EscapeWith(text, entities);
}

// One pass gives what the five replacements in turn (&lt; &gt; &apos; &quot;, then &amp;)
// give: the entities cannot overlap, no character put in forms a new entity with its
// neighbours, and "&amp;" is decoded once, so "&amp;lt;" becomes "&lt;".
std::string XmlUnescape(std::string_view text) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&quot;", '"'}, {"&amp;", '&'},
    };
    std::size_t amp = text.find('&');
    if (amp == npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    while (amp != npos) {
        std::size_t next = amp + 1;
        for (const auto& [entity, character] : kEntities) {
            if (text.substr(amp, entity.size()) == entity) {
                out.append(text.substr(copied, amp - copied));
                out.push_back(character);
                copied = next = amp + entity.size();
                break;
            }
        }
        amp = text.find('&', next);
    }
    out.append(text.substr(copied));
    return out;
}

std::string TextBetween(std::string_view text, std::string_view startMarker,
                        std::string_view endMarker, std::size_t startPos, std::size_t& newStart) {
    newStart = startPos > text.size() ? npos : FindIgnoreCase(text, startMarker, startPos);
    if (newStart == npos) return {};
    const std::size_t begin = newStart + startMarker.size();
    const std::size_t end =
        endMarker.empty() ? text.size() : FindIgnoreCase(text, endMarker, begin);
    if (end == npos) return {};
    return std::string(text.substr(begin, end - begin));
}

std::string TextBetween(std::string_view text, std::string_view startMarker,
                        std::string_view endMarker) {
    std::size_t newStart = 0;
    return TextBetween(text, startMarker, endMarker, 0, newStart);
}

bool HasNonSpace(std::string_view text) { return text.find_first_not_of(' ') != npos; }

std::string WithoutXmlForbiddenControls(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text)
        if (!IsXmlForbiddenControl(static_cast<unsigned char>(c))) result += c;
    return result;
}

std::optional<std::int32_t> ParseInt32(std::string_view text) {
    // from_chars takes no "+", and no second sign may follow it.
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace qx
