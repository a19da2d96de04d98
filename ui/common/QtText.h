// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Conversions between the program's windows-1251 texts and Qt's strings.

#include <QString>
#include <string>
#include <string_view>

namespace qx {

QString FromCp1251(std::string_view text);
// Characters windows-1251 lacks become "?".
std::string ToCp1251(const QString& text);
QString FromUtf8(std::string_view text);
// An error's text may come from the engine (windows-1251) or from a library (UTF-8).
QString FromErrorText(std::string_view text);

}  // namespace qx
