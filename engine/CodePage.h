// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The working code page, windows-1251. Every text the rules, lists and the engine hold is a
// std::string of windows-1251 bytes; a zero byte is an ordinary character. Conversions to
// UTF-8 and UTF-16 put "?" where windows-1251 has no character.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "engine/VectorWidth.h"

namespace qx {

// Lower-case map of the code page: Latin A-Z and every Cyrillic capital of windows-1251
// (А-Я, Ё, Ђ, Ѓ, Є, Ѕ, І, Ї, Ј, Љ, Њ, Ћ, Ќ, Ў, Џ, Ґ) to its small letter; other bytes map to
// themselves.
const std::array<unsigned char, 256>& LowerTable();
// The inverse map for the same letters (small to capital).
const std::array<unsigned char, 256>& UpperTable();

extern const std::array<unsigned char, 256> kLowerTable;  // the same as LowerTable()

inline char LowerChar(char c) {
    return static_cast<char>(kLowerTable[static_cast<unsigned char>(c)]);
}
std::string LowerCase(std::string_view text);
void LowerCaseInPlace(std::string& text);

// True when both texts are equal without regard to letter case.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Position of the first occurrence of `needle` at or after `from`, compared without regard to
// letter case; std::string_view::npos when there is none. An empty needle is found at `from`.
std::size_t FindIgnoreCase(std::string_view haystack, std::string_view needle,
                           std::size_t from = 0);

// Unicode code point of one windows-1251 byte (0x98, unassigned, maps to U+0098).
char32_t Cp1251ToCodePoint(unsigned char byte);
// windows-1251 byte for a code point, or nullopt when the code page lacks it.
std::optional<unsigned char> CodePointToCp1251(char32_t codePoint);

std::string Cp1251ToUtf8(std::string_view text);
// The length of Cp1251ToUtf8(text), without making it.
std::size_t Cp1251Utf8Size(std::string_view text);
// The room Cp1251ToUtf8Into needs for a text of `size` bytes: three bytes a character at most,
// and a few more because characters are stored four bytes at a time.
constexpr std::size_t Cp1251ToUtf8Room(std::size_t size) { return 3 * size + 4; }
// Writes the UTF-8 form of `text` at `out`, which has Cp1251ToUtf8Room(text.size()) bytes, and
// gives its length: for memory reused from piece to piece, without a pass to measure first.
std::size_t Cp1251ToUtf8Into(std::string_view text, char* out);
std::u16string Cp1251ToUtf16(std::string_view text);

// Characters windows-1251 lacks become "?"; `lossless`, when given, tells whether none did.
std::string Utf16ToCp1251(std::u16string_view text, bool* lossless = nullptr);

// Strict UTF-8 decoding (no overlong forms, no surrogates, nothing above U+10FFFF):
// nullopt for a text that is not valid UTF-8. Characters windows-1251 lacks become "?",
// and `lossless`, when given, tells whether none did.
std::optional<std::string> Utf8ToCp1251(std::string_view text, bool* lossless = nullptr);
// The same into `out`, whose memory is reused between texts; false for invalid UTF-8 (`out`
// then holds no meaningful text).
bool Utf8ToCp1251Into(std::string_view text, std::string& out, bool* lossless = nullptr);
// The same appended to what `out` holds (false for invalid UTF-8, with `out` then unspecified).
bool Utf8ToCp1251Append(std::string_view text, std::string& out, bool* lossless = nullptr);

// Utf8ToCp1251Into with vectors no wider than `widest` (for comparing the widths).
bool Utf8ToCp1251Into(std::string_view text, std::string& out, bool* lossless, VectorWidth widest);

// For UTF-8 known to be valid (texts coming from libxml2 or Qt): invalid sequences become "?".
std::string Utf8ToCp1251Lenient(std::string_view text, bool* lossless = nullptr);

// Makes `buffer` `size` bytes long for a caller about to overwrite all of them. Its memory is
// reused when large enough; otherwise the old memory is released before the new is taken.
void ResizeForOverwrite(std::string& buffer, std::size_t size);
// Gives back the memory of a buffer reused from text to text once it has grown past what small
// texts need: the memory of a large text is held only while that text is.
void ReleaseIfLarge(std::string& buffer);

}  // namespace qx
