// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/QtText.h"

#include "engine/CodePage.h"

namespace qx {

QString FromCp1251(std::string_view text) {
    const std::u16string wide = Cp1251ToUtf16(text);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

std::string ToCp1251(const QString& text) {
    return Utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                             static_cast<std::size_t>(text.size())));
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString FromErrorText(std::string_view text) {
    if (Utf8ToCp1251(text)) return FromUtf8(text);
    return FromCp1251(text);
}

}  // namespace qx
