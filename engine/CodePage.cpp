// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CodePage.h"

#include <algorithm>

#include "engine/CaseFoldSearcher.h"
#include "engine/Utf8.h"

namespace qx {
namespace {

// Unicode of bytes 0x80-0xFF, eight a row.
// clang-format off
constexpr std::array<char16_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
// clang-format on

// Capital/small pairs outside A-Z and А-Я.
constexpr std::array<std::pair<unsigned char, unsigned char>, 15> kExtraCyrillicPairs = {{
    {0xA8, 0xB8},  // Ё ё
    {0x80, 0x90},  // Ђ ђ
    {0x81, 0x83},  // Ѓ ѓ
    {0xAA, 0xBA},  // Є є
    {0xBD, 0xBE},  // Ѕ ѕ
    {0xB2, 0xB3},  // І і
    {0xAF, 0xBF},  // Ї ї
    {0xA3, 0xBC},  // Ј ј
    {0x8A, 0x9A},  // Љ љ
    {0x8C, 0x9C},  // Њ њ
    {0x8E, 0x9E},  // Ћ ћ
    {0x8D, 0x9D},  // Ќ ќ
    {0xA1, 0xA2},  // Ў ў
    {0x8F, 0x9F},  // Џ џ
    {0xA5, 0xB4},  // Ґ ґ
}};

struct CaseTables {
    std::array<unsigned char, 256> lower{};
    std::array<unsigned char, 256> upper{};
    constexpr CaseTables() {
        for (int i = 0; i < 256; ++i) {
            lower[i] = upper[i] = static_cast<unsigned char>(i);
        }
        for (unsigned c = 'A'; c <= 'Z'; ++c) Pair(c, c + 32);
        for (unsigned c = 0xC0; c <= 0xDF; ++c) Pair(c, c + 32);
        for (auto [capital, small] : kExtraCyrillicPairs) Pair(capital, small);
    }
    constexpr void Pair(unsigned capital, unsigned small) {
        lower[capital] = static_cast<unsigned char>(small);
        upper[small] = static_cast<unsigned char>(capital);
    }
};

// Built at compile time: LowerChar runs once per byte of whole files.
constexpr CaseTables kCaseTables;

// Code point to byte for the high half; 0 marks "not in the code page".
struct ReverseTable {
    std::array<unsigned char, 0x2200> bytes{};
    ReverseTable() {
        for (std::size_t i = 0; i < kHighHalf.size(); ++i) {
            bytes[kHighHalf[i]] = static_cast<unsigned char>(0x80 + i);
        }
    }
};

const ReverseTable& Reverse() {
    static const ReverseTable table;
    return table;
}

// Appends the windows-1251 byte of a code point, or "?" (clearing `allKept`) when the code page
// lacks it; nullopt for a character known to be outside it (or no character at all).
void AppendCp1251(std::string& out, std::optional<char32_t> codePoint, bool& allKept) {
    const auto byte = codePoint ? CodePointToCp1251(*codePoint) : std::nullopt;
    if (byte) {
        out.push_back(static_cast<char>(*byte));
    } else {
        out.push_back('?');
        allKept = false;
    }
}

std::optional<std::string> DecodeUtf8(std::string_view text, bool strict, bool* lossless) {
    std::string out;
    out.reserve(text.size());
    bool allKept = true;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[pos]);
        if (lead < 0x80) {  // the common case: plain ASCII, copied in a run
            std::size_t end = pos + 1;
            while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80) ++end;
            out.append(text.substr(pos, end - pos));
            pos = end;
            continue;
        }
        const char32_t cp = NextCodePoint(text, pos);
        if (IsInvalidUtf8Byte(cp) && strict) return std::nullopt;
        AppendCp1251(out, IsInvalidUtf8Byte(cp) ? std::nullopt : std::optional<char32_t>(cp),
                     allKept);
    }
    if (lossless) *lossless = allKept;
    return out;
}

}  // namespace

const std::array<unsigned char, 256> kLowerTable = kCaseTables.lower;

const std::array<unsigned char, 256>& LowerTable() { return kLowerTable; }
const std::array<unsigned char, 256>& UpperTable() { return kCaseTables.upper; }

std::string LowerCase(std::string_view text) {
    std::string out(text);
    LowerCaseInPlace(out);
    return out;
}

void LowerCaseInPlace(std::string& text) {
    const auto& table = LowerTable();
    for (char& c : text) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerChar(x) == LowerChar(y);
           });
}

std::size_t FindIgnoreCase(std::string_view haystack, std::string_view needle, std::size_t from) {
    if (from > haystack.size()) return std::string_view::npos;
    return CaseFoldSearcher(needle).Find(haystack, from);
}

char32_t Cp1251ToCodePoint(unsigned char byte) {
    return byte < 0x80 ? byte : kHighHalf[byte - 0x80];
}

std::optional<unsigned char> CodePointToCp1251(char32_t codePoint) {
    if (codePoint < 0x80) return static_cast<unsigned char>(codePoint);
    if (codePoint >= Reverse().bytes.size()) return std::nullopt;
    const unsigned char byte = Reverse().bytes[codePoint];
    if (byte == 0) return std::nullopt;
    return byte;
}

std::string Cp1251ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (char c : text) AppendUtf8(out, Cp1251ToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::u16string Cp1251ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) {
        out.push_back(static_cast<char16_t>(Cp1251ToCodePoint(static_cast<unsigned char>(c))));
    }
    return out;
}

std::string Utf16ToCp1251(std::u16string_view text, bool* lossless) {
    std::string out;
    out.reserve(text.size());
    bool allKept = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        // A surrogate pair is one character: one "?" for it.
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ++i;
            AppendCp1251(out, std::nullopt, allKept);
            continue;
        }
        AppendCp1251(out, unit, allKept);
    }
    if (lossless) *lossless = allKept;
    return out;
}

std::optional<std::string> Utf8ToCp1251(std::string_view text, bool* lossless) {
    return DecodeUtf8(text, /*strict=*/true, lossless);
}

std::string Utf8ToCp1251Lenient(std::string_view text, bool* lossless) {
    return *DecodeUtf8(text, /*strict=*/false, lossless);
}

}  // namespace qx
