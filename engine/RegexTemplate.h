// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The substitution templates of regular-expression rules: "$1", "${1}", "$0", "$&" insert the
// whole match or a group, a backslash makes the next byte literal, every other byte is copied.

#include <array>
#include <string>
#include <string_view>

namespace qx {

// Index 0 is the whole match, 1 to 14 the groups; a group that took no part is empty.
using RegexGroups = std::array<std::string_view, 15>;

// Appends the filled-in template to `out`.
//  - "$" with digits reads all the digits ("$10" is group 10, "$01" group 1); "${n}" ends the
//    number early; "$0", "${0}", "${}", "$&" and "${&}" are the whole match; a group above 14
//    inserts nothing;
//  - "$" followed by anything else is a literal "$";
//  - "\" followed by any byte is that byte ("\n" is the letter n); a final "\" stays.
void AppendSubstitution(std::string_view templ, const RegexGroups& groups, std::string& out);

}  // namespace qx
