// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Lists kept as one line of text: the file masks typed as "*.htm;*.html" and the mask history
// of the settings file. Blanks (codes 1 to 32) separate entries as well as the delimiter, and
// an entry enclosed in double quotes may hold blanks, the delimiter and doubled quotes.

#include <string>
#include <string_view>
#include <vector>

namespace qx {

// Splits `text` into entries. Blanks before and between entries are skipped; a quoted entry
// ends at its closing quote (a doubled quote inside stands for one); any other entry ends
// before the first blank or delimiter. Two delimiters in a row, a leading delimiter or a
// delimiter that ends the text give an empty entry. A zero byte ends the text.
std::vector<std::string> SplitDelimited(std::string_view text, char delimiter);

// Joins entries with the delimiter; an entry holding a blank or control character, a double
// quote or the delimiter is quoted. A list of exactly one empty entry gives two quotes, so that
// it reads back as one entry; an empty list gives empty text.
std::string JoinDelimited(const std::vector<std::string>& entries, char delimiter);

}  // namespace qx
