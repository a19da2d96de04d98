// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Character tables for PCRE2 that fold windows-1251 letter case (Latin, Russian and the other
// Cyrillic pairs of the code page) while keeping the character types ASCII-only: Cyrillic
// letters are not word characters for \b, as in the dialect of the rules.

namespace qx {

// PCRE2's table layout (lower-case map, flip-case map, class bits, character types), built once
// and kept for the life of the process.
const unsigned char* Cp1251PcreTables();

}  // namespace qx
