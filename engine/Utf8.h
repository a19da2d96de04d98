// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading and writing UTF-8 one character at a time. Reading copes with texts that may not be
// valid UTF-8 (file names are whatever bytes the file system holds).

#include <cstddef>
#include <string>
#include <string_view>

namespace qx {

// A byte that does not start a valid sequence decodes to kInvalidUtf8Base plus its value:
// values in the surrogate range, which valid UTF-8 never yields, so they compare as
// themselves and never equal a real character.
inline constexpr char32_t kInvalidUtf8Base = 0xDC00;

inline bool IsInvalidUtf8Byte(char32_t cp) {
    return cp >= kInvalidUtf8Base && cp < kInvalidUtf8Base + 0x100;
}

// Decodes the character at text[pos] strictly (no overlong forms, no surrogates, nothing above
// U+10FFFF) and advances pos past it; an invalid byte advances by one. pos < text.size().
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

// Appends the UTF-8 form of a code point (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace qx
