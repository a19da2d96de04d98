// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RegexTables.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <locale.h>
#include <pcre2.h>

#include <array>
#include <cstring>
#include <new>

#include "engine/CodePage.h"

namespace qx {
namespace {

// Offsets inside PCRE2's tables.
constexpr std::size_t kLowerCaseOffset = 0;
constexpr std::size_t kFlipCaseOffset = 256;
constexpr std::size_t kTablesLength = 1088;

std::array<unsigned char, kTablesLength> BuildTables() {
    // PCRE2 builds its tables from the C library's classification functions; under the "C"
    // locale those are ASCII-only whatever locale the program runs in, and the layout of the
    // character-type bits is PCRE2's own.
    std::array<unsigned char, kTablesLength> tables{};
    const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    const locale_t previous = cLocale != locale_t{} ? uselocale(cLocale) : locale_t{};
    const uint8_t* made = pcre2_maketables(nullptr);
    if (cLocale != locale_t{}) {
        uselocale(previous);
        freelocale(cLocale);
    }
    if (made == nullptr) throw std::bad_alloc();
    std::memcpy(tables.data(), made, kTablesLength);
    pcre2_maketables_free(nullptr, made);
    const auto& lower = LowerTable();
    const auto& upper = UpperTable();
    for (unsigned c = 0; c < 256; ++c) {
        tables[kLowerCaseOffset + c] = lower[c];
        tables[kFlipCaseOffset + c] = lower[c] != c ? lower[c] : upper[c];
    }
    return tables;
}

}  // namespace

const unsigned char* Cp1251PcreTables() {
    static const std::array<unsigned char, kTablesLength> tables = BuildTables();
    return tables.data();
}

}  // namespace qx
