// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Encoding.h"

#include <cstdint>
#include <cstring>

#include "engine/CodePage.h"
#include "engine/Utf8.h"

namespace qx {
namespace {

bool IsLeadingWhiteSpace(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

// Where a declaration would begin, after leading white space. The skip stops on the last
// character, so a text of white space alone is looked at from its last character and cannot be
// read beyond its end.
std::size_t DeclarationStart(std::string_view text) {
    std::size_t pos = 0;
    while (pos + 1 < text.size() && IsLeadingWhiteSpace(text[pos])) ++pos;
    return pos;
}

constexpr std::string_view kDeclarationOpen = "<?xml";

// Valid UTF-8 with at least one multi-byte sequence. Russian windows-1251 text is almost never
// valid UTF-8: its letters C0-FF are lead bytes that want continuation bytes 80-BF, which in
// windows-1251 are rarer letters and punctuation, so two letters in a row already fail.
bool IsMultiByteUtf8(std::string_view text) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080;
    bool multiByte = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // Plain ASCII is passed over eight bytes at a time.
        std::uint64_t word = 0;
        while (text.size() - pos >= 8 &&
               (std::memcpy(&word, text.data() + pos, 8), (word & kHighBits) == 0))
            pos += 8;
        if (pos == text.size()) break;
        const auto lead = static_cast<unsigned char>(text[pos]);
        if (lead < 0x80) {
            ++pos;
            continue;
        }
        // The common two-byte sequence (Cyrillic) without decoding it.
        if (lead >= 0xC2 && lead <= 0xDF && pos + 1 < text.size() &&
            (static_cast<unsigned char>(text[pos + 1]) & 0xC0) == 0x80) {
            pos += 2;
        } else if (IsInvalidUtf8Byte(NextCodePoint(text, pos))) {
            return false;
        }
        multiByte = true;
    }
    return multiByte;
}

}  // namespace

// A declaration without an encoding leaves the decision to the bytes.
std::optional<bool> DeclaredUtf8(std::string_view text) {
    const std::size_t pos = DeclarationStart(text);

    if (!EqualsIgnoreCase(text.substr(pos, kDeclarationOpen.size()), kDeclarationOpen))
        return std::nullopt;
    const std::size_t close = text.find('>');
    if (close == std::string_view::npos) return std::nullopt;
    const std::string_view declaration = text.substr(0, close + 1);
    // Anywhere in the declaration, as in encoding="UTF-8"; "utf8" without the hyphen is not it.
    if (FindIgnoreCase(declaration, "utf-8") != std::string_view::npos) return true;
    if (FindIgnoreCase(declaration, "encoding") != std::string_view::npos) return false;
    return std::nullopt;
}

bool DeclarationDecided(std::string_view start) {
    // The white space and the five letters lie in `start`, and so does the declaration's end
    // when they open one.
    const std::size_t pos = DeclarationStart(start);
    if (start.size() - pos <= kDeclarationOpen.size()) return false;
    return !EqualsIgnoreCase(start.substr(pos, kDeclarationOpen.size()), kDeclarationOpen) ||
           start.find('>') != std::string_view::npos;
}

Utf8Answer IsUtf8Text(std::string_view text, bool utf8Option) {
    Utf8Answer answer{utf8Option, false};
    if (text.starts_with(kUtf8Bom)) answer = {true, true};
    if (answer.utf8 || text.empty()) return answer;
    const std::optional<bool> declared = DeclaredUtf8(text);
    answer.utf8 = declared ? *declared : IsMultiByteUtf8(text);
    return answer;
}

std::optional<std::string> DecodeToWorking(std::string_view bytes, const Utf8Answer& answer,
                                           bool* lossless) {
    if (!answer.utf8) {
        if (lossless) *lossless = true;
        return std::string(bytes);
    }
    if (answer.hasBom && bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
    return Utf8ToCp1251(bytes, lossless);
}

WorkingText DecodeFileText(std::string_view bytes, bool utf8Option, std::string& decoded) {
    WorkingText result;
    Utf8Answer& answer = result.answer;
    answer = {utf8Option, false};
    if (bytes.starts_with(kUtf8Bom)) answer = {true, true};
    if (bytes.empty()) {
        decoded.clear();
        return result;
    }
    bool decided = answer.utf8;
    if (!decided) {
        const std::optional<bool> declared = DeclaredUtf8(bytes);
        if (declared && !*declared) return result;
        decided = declared.has_value();
    }
    const std::string_view body = answer.hasBom ? bytes.substr(kUtf8Bom.size()) : bytes;
    const bool valid = Utf8ToCp1251Into(body, decoded, &result.lossless);
    if (decided) {
        answer.utf8 = true;
        result.decodable = valid;
    } else {
        // Every multi-byte sequence decodes to one byte, so a shorter text held one.
        answer.utf8 = valid && decoded.size() < body.size();
        if (!answer.utf8) result.lossless = true;
    }
    return result;
}

std::string EncodeFromWorking(std::string_view text, const Utf8Answer& answer) {
    if (!answer.utf8) return std::string(text);
    std::string out;
    if (answer.hasBom) out = kUtf8Bom;
    out += Cp1251ToUtf8(text);
    return out;
}

}  // namespace qx
