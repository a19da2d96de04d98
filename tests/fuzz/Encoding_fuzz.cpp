// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile bytes through the encoding detection and the code page conversions a file, a
// clipboard text or a file list goes through: a windows-1251 text and a UTF-8 text written in
// that code page's characters come back byte for byte, and the detection finds again what the
// program wrote.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/CodePage.h"
#include "engine/Encoding.h"
#include "engine/Utf8.h"

namespace {

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

bool StrictUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();)
        if (qx::IsInvalidUtf8Byte(qx::NextCodePoint(text, pos))) return false;
    return true;
}

bool Ascii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The character reader: always moves on, and a valid text re-encodes to itself.
    std::string reencoded;
    bool valid = true;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t start = pos;
        const char32_t cp = qx::NextCodePoint(bytes, pos);
        Require(pos > start && pos <= bytes.size());
        if (qx::IsInvalidUtf8Byte(cp)) {
            Require(pos == start + 1);
            valid = false;
        } else {
            qx::AppendUtf8(reencoded, cp);
        }
    }
    if (valid) Require(reencoded == bytes);
    const std::optional<std::string> strict = qx::Utf8ToCp1251(bytes);
    Require(strict.has_value() == valid);

    // The decoders against one character at a time: a character the code page lacks, or a
    // broken byte, is "?".
    std::string expected;
    bool expectLossless = true;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const char32_t cp = qx::NextCodePoint(bytes, pos);
        const auto byte = qx::IsInvalidUtf8Byte(cp) ? std::nullopt : qx::CodePointToCp1251(cp);
        expectLossless = expectLossless && byte.has_value();
        expected += byte ? static_cast<char>(*byte) : '?';
    }
    bool decodedLossless = false;
    if (valid) Require(qx::Utf8ToCp1251(bytes, &decodedLossless) == expected);
    if (valid) Require(decodedLossless == expectLossless);
    Require(qx::Utf8ToCp1251Lenient(bytes) == expected);

    // The bytes as a file, as the detection sees them: decoded without loss, they are written
    // back as they were.
    for (bool option : {false, true}) {
        const qx::Utf8Answer answer = qx::IsUtf8Text(bytes, option);
        Require(!answer.hasBom || answer.utf8);
        bool lossless = false;
        const auto text = qx::DecodeToWorking(bytes, answer, &lossless);
        if (!answer.utf8) Require(text && lossless && *text == bytes);
        if (text && lossless) Require(qx::EncodeFromWorking(*text, answer) == bytes);
        // The one pass a file read whole takes says and gives the same.
        std::string decoded = "left from another file";
        const qx::WorkingText working = qx::DecodeFileText(bytes, option, decoded);
        Require(working.answer.utf8 == answer.utf8 && working.answer.hasBom == answer.hasBom);
        Require(working.decodable == text.has_value());
        if (text) Require(working.lossless == lossless && (answer.utf8 ? decoded : bytes) == *text);
    }

    // The bytes as a windows-1251 text: UTF-8 and UTF-16 carry it there and back unchanged,
    // and the UTF-8 the program writes for it is detected as UTF-8 again.
    const std::string utf8 = qx::Cp1251ToUtf8(bytes);
    Require(StrictUtf8(utf8));
    std::string expectedUtf8;
    for (char c : bytes)
        qx::AppendUtf8(expectedUtf8, qx::Cp1251ToCodePoint(static_cast<unsigned char>(c)));
    Require(utf8 == expectedUtf8 && utf8.size() == qx::Cp1251Utf8Size(bytes));
    bool lossless = false;
    Require(qx::Utf8ToCp1251(utf8, &lossless) == bytes && lossless);
    Require(qx::Utf8ToCp1251Lenient(utf8) == bytes);
    Require(qx::Utf16ToCp1251(qx::Cp1251ToUtf16(bytes), &lossless) == bytes && lossless);
    for (bool bom : {false, true}) {
        const qx::Utf8Answer written{true, bom};
        const std::string file = qx::EncodeFromWorking(bytes, written);
        const qx::Utf8Answer found = qx::IsUtf8Text(file, false);
        // Without a mark an ASCII text reads the same either way, and a leading XML
        // declaration names its own encoding.
        const bool declared = !bom && file.find("<?") != std::string::npos;
        if (bom || (!Ascii(bytes) && !declared)) {
            Require(found.utf8 && found.hasBom == bom);
        }
        if (found.utf8 == written.utf8) {
            const auto decoded = qx::DecodeToWorking(file, found, &lossless);
            Require(decoded && *decoded == bytes && lossless);
        }
    }

    // Letter case: lower and upper maps agree and keep non-letters.
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        const unsigned char lower = qx::LowerTable()[u];
        Require(qx::LowerTable()[lower] == lower);
        if (lower != u) Require(qx::UpperTable()[lower] == u);
    }
    Require(qx::EqualsIgnoreCase(qx::LowerCase(bytes), bytes));
    return 0;
}
