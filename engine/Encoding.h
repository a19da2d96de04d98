// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How a file or clipboard text is encoded, and its way into and out of the working code page
// (windows-1251) that the rules work on. A text is UTF-8 when it starts with a byte-order mark,
// when the UTF-8 option is on, or when it begins with an XML declaration naming utf-8. A
// declaration naming another encoding makes it windows-1251. Without either, a text that is
// valid UTF-8 and holds at least one multi-byte sequence is UTF-8 without a mark, as Linux
// editors write it; anything else is windows-1251 (ASCII alone reads the same either way).

#include <optional>
#include <string>
#include <string_view>

namespace qx {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct Utf8Answer {
    bool utf8 = false;
    bool hasBom = false;  // only ever true together with utf8
};

// `utf8Option` is the state of the main window's "UTF-8" toggle: every text is then UTF-8.
// The one place that decides whether a file, a clipboard text or a file list is UTF-8.
Utf8Answer IsUtf8Text(std::string_view text, bool utf8Option);

// The text in the working code page: for UTF-8 the byte-order mark (if any) is dropped and the
// rest decoded strictly; nullopt when it is not valid UTF-8. Characters windows-1251 lacks
// become "?", and `lossless` (when given) tells whether none did. windows-1251 bytes come back
// as they are.
std::optional<std::string> DecodeToWorking(std::string_view bytes, const Utf8Answer& answer,
                                           bool* lossless = nullptr);

// IsUtf8Text and DecodeToWorking in one pass over the bytes, for a file read whole: the decoded
// text goes to `decoded` (its memory reused between files) when the answer is UTF-8, which is
// then all the proof of validity the detection needs. For windows-1251, whose bytes are the
// text, `decoded` holds nothing meaningful. `decodable` is false for bytes taken as UTF-8 (a
// byte-order mark, a declaration, the option) that are not valid UTF-8.
struct WorkingText {
    Utf8Answer answer;
    bool decodable = true;
    bool lossless = true;
};
WorkingText DecodeFileText(std::string_view bytes, bool utf8Option, std::string& decoded);

// What an XML declaration at the start of a text says of it (as IsUtf8Text takes it): UTF-8,
// another encoding, or nothing. DeclarationDecided tells whether `start`, the first bytes of a
// longer text, is enough to say it.
std::optional<bool> DeclaredUtf8(std::string_view text);
bool DeclarationDecided(std::string_view start);

// The bytes to write back: UTF-8 with the byte-order mark exactly when the original had one,
// or the windows-1251 text unchanged.
std::string EncodeFromWorking(std::string_view text, const Utf8Answer& answer);

}  // namespace qx
