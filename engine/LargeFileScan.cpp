// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/LargeFileScan.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "engine/CodePage.h"
#include "engine/Encoding.h"

namespace qx {
namespace {

// Small enough to stay in the cache between reading and searching it.
constexpr std::size_t kPiece = std::size_t{256} << 10;

// Copies to memory aligned otherwise than their source are several times slower on some
// processors, the kernel's copy of a read among them: each piece is read to a 64-byte boundary,
// with what must come before it (the bytes the scan keeps, a character cut in two) moved in front.
constexpr std::size_t kAlign = 64;

// The first offset at or after `least` at which `buffer` is aligned.
std::size_t AlignedFrom(const std::string& buffer, std::size_t least) {
    const auto address = reinterpret_cast<std::uintptr_t>(buffer.data()) + least;
    return least + (kAlign - address % kAlign) % kAlign;
}

// Moves the last `size` bytes of `from` to end at `to`.
void MoveTail(std::string_view from, std::size_t size, char* to) {
    if (size > 0) std::memmove(to - size, from.data() + from.size() - size, size);
}

// Fills `size` bytes at `to`, fewer only at the end of the file; -1 for a read error.
ssize_t ReadPiece(int fd, char* to, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, to + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// How many bytes at the end of `bytes` begin a UTF-8 sequence that they do not complete.
std::size_t IncompleteTail(std::string_view bytes) {
    const std::size_t n = bytes.size();
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, n); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[n - back]);
        if ((byte & 0xC0) == 0x80) continue;
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

enum class Reading {
    kUtf8,       // a byte-order mark, the option or a declaration says so
    kMaybeUtf8,  // UTF-8 if it all decodes, windows-1251 otherwise
    kWindows1251,
};

enum class Pass { kUnchanged, kCorrectWhole, kNotUtf8 };

// Windows-1251 text is looked through where it is read, in `bytes`; UTF-8 is decoded into `text`.
// Either way the window ends with the new piece and begins with what the scan keeps of the last.
Pass ScanPass(int fd, bool utf8Option, bool asWindows1251, TextScan& scan, std::string& bytes,
              std::string& text) {
    ResizeForOverwrite(bytes, TextScan::kMaxKept + 2 * kAlign + kPiece);
    text.clear();
    text.reserve(TextScan::kMaxKept + kPiece + kAlign);  // (room to decode in place)
    std::optional<Reading> reading;
    if (asWindows1251) reading = Reading::kWindows1251;
    std::string_view window;  // the window the scan looked through last
    std::string_view held;    // the start of a character cut in two at the end of the last piece
    for (;;) {
        const std::size_t kept = scan.Kept();
        // What goes in front of the piece: the kept bytes of windows-1251 text (not yet decided
        // counts as such: nothing is kept yet), or the start of a character cut in two.
        const bool inPlace = !reading || *reading == Reading::kWindows1251;
        const std::string_view front = inPlace ? window.substr(window.size() - kept) : held;
        const std::size_t readAt = AlignedFrom(bytes, front.size());
        MoveTail(front, front.size(), bytes.data() + readAt);
        const ssize_t n = ReadPiece(fd, bytes.data() + readAt, kPiece);
        if (n < 0) return Pass::kCorrectWhole;  // the whole read meets the error and reports it
        const bool last = static_cast<std::size_t>(n) < kPiece;
        // The piece of UTF-8 begins with the cut character; the kept text is not part of it.
        const std::size_t cut = inPlace ? 0 : held.size();
        std::string_view piece(bytes.data() + readAt - cut, cut + static_cast<std::size_t>(n));
        if (!reading) {
            if (piece.empty()) return Pass::kCorrectWhole;
            if (piece.starts_with(kUtf8Bom)) {
                piece.remove_prefix(kUtf8Bom.size());
                // A mark and nothing else does not decode.
                if (piece.empty() && last) return Pass::kCorrectWhole;
                reading = Reading::kUtf8;
            } else if (utf8Option) {
                reading = Reading::kUtf8;
            } else {
                if (!last && !DeclarationDecided(piece)) return Pass::kCorrectWhole;
                const std::optional<bool> declared = DeclaredUtf8(piece);
                reading = !declared   ? Reading::kMaybeUtf8
                          : *declared ? Reading::kUtf8
                                      : Reading::kWindows1251;
            }
        }
        if (*reading == Reading::kWindows1251) {
            window = std::string_view(piece.data() - kept, kept + piece.size());
        } else {
            const std::size_t tail = last ? 0 : IncompleteTail(piece);
            MoveTail(window, kept, text.data() + kept);
            text.resize(kept);
            bool lossless = true;
            if (!Utf8ToCp1251Append(piece.substr(0, piece.size() - tail), text, &lossless))
                return *reading == Reading::kMaybeUtf8 ? Pass::kNotUtf8 : Pass::kCorrectWhole;
            // The whole file would be refused for the characters it would lose.
            if (!lossless) return Pass::kCorrectWhole;
            window = text;
            held = piece.substr(piece.size() - tail);
        }
        if (scan.MayReplace(window, last)) return Pass::kCorrectWhole;
        if (last) return Pass::kUnchanged;
    }
}

}  // namespace

ScanVerdict ScanLargeFile(int fd, bool utf8Option, TextRules& rules, std::string& bytes,
                          std::string& text) {
    std::unique_ptr<TextScan> scan = rules.StartScan();
    if (!scan) return ScanVerdict::kCorrectWhole;
    Pass pass = ScanPass(fd, utf8Option, false, *scan, bytes, text);
    if (pass == Pass::kNotUtf8) {
        // Bytes that are no UTF-8 make it windows-1251 from its first byte: again, as such.
        scan = rules.StartScan();
        if (::lseek(fd, 0, SEEK_SET) != 0) return ScanVerdict::kCorrectWhole;
        pass = ScanPass(fd, utf8Option, true, *scan, bytes, text);
    }
    return pass == Pass::kUnchanged ? ScanVerdict::kUnchanged : ScanVerdict::kCorrectWhole;
}

}  // namespace qx
