// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The element names of a rule list file, for the code that writes it and the code that reads it.

#include <string_view>

namespace qx::list_element {

inline constexpr std::string_view kList = "List";  // the root
inline constexpr std::string_view kItem = "Item";  // one rule
inline constexpr std::string_view kFind = "Find";
inline constexpr std::string_view kReplace = "Replace";
inline constexpr std::string_view kChecked = "Checked";
inline constexpr std::string_view kXPath = "xPath";
inline constexpr std::string_view kFlags = "Flags";
inline constexpr std::string_view kRepeat = "Repeat";

}  // namespace qx::list_element
