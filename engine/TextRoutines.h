// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Text routines shared by the rules, the engine and the list file: the special tokens of rule
// texts, the general find-and-replace, XML escaping. All work on windows-1251 byte strings and
// treat a zero byte as an ordinary character.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

// Bits as stored: ReplaceAll = 1, IgnoreCase = 2.
enum ReplaceFlags : unsigned {
    kReplaceNone = 0,
    kReplaceAll = 1,
    kIgnoreCase = 2,
};
inline ReplaceFlags operator|(ReplaceFlags a, ReplaceFlags b) {
    return static_cast<ReplaceFlags>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

// Display tokens of rule texts.
inline constexpr std::string_view kTokenWindowsBreak = "[nw]";  // CR LF
inline constexpr std::string_view kTokenUnixBreak = "[nu]";     // LF
inline constexpr std::string_view kTokenTab = "[t]";
inline constexpr std::string_view kTokenSpace = "[sp]";
inline constexpr std::string_view kTokenNumber = "[nm]";  // number of the replacement

// One-line display form: CR LF -> [nw], other LF -> [nu], tab -> [t], and, for a text made of
// spaces only, each space -> [sp].
std::string EncodeTokens(std::string_view text);
// [nw] and [nu] back to line breaks; without `lineBreaksOnly` also [t] and [sp].
std::string DecodeTokens(std::string_view text, bool lineBreaksOnly);

// Left-to-right, non-overlapping replacement; the replacement is inserted literally. With
// kIgnoreCase the comparison uses the code page's letter case; unreplaced characters keep theirs.
std::string ReplaceText(std::string_view text, std::string_view pattern,
                        std::string_view replacement, ReplaceFlags flags);

std::string JoinStrings(const std::vector<std::string>& parts, std::string_view separator);

// & < > to entities (quotes untouched): element content written by the program.
std::string XmlEscapeText(std::string_view text);
// Escapes those of & " ' < > that `charset` holds ("&" first).
std::string XmlEscapeChars(std::string_view text, std::string_view charset);
// &lt; &gt; &apos; &quot; and last &amp; back to characters; nothing else.
std::string XmlUnescape(std::string_view text);

// The piece between `startMarker` (searched from `startPos`, 0-based) and `endMarker`,
// compared without regard to letter case. `newStart` receives the 0-based position of the start
// marker, or std::string_view::npos when it was not found. Empty text when either marker is
// missing. The short form starts at position 0.
std::string TextBetween(std::string_view text, std::string_view startMarker,
                        std::string_view endMarker, std::size_t startPos, std::size_t& newStart);
std::string TextBetween(std::string_view text, std::string_view startMarker,
                        std::string_view endMarker);

// True when the text holds any character other than the space (a tab counts).
bool HasNonSpace(std::string_view text);

// The control characters XML 1.0 cannot hold, not even as character references: all below
// U+0020 but tab, line feed and carriage return.
constexpr bool IsXmlForbiddenControl(char32_t c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}
// The text without those characters.
std::string WithoutXmlForbiddenControls(std::string_view text);

// A decimal integer with an optional sign ("+" or "-", not both) that fits 32 bits, and nothing
// else around it; nullopt for any other text.
std::optional<std::int32_t> ParseInt32(std::string_view text);

}  // namespace qx
