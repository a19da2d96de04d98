// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CodePage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "engine/CaseFoldSearcher.h"
#include "engine/Utf8.h"
#include "engine/VectorWidth.h"

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

// The windows-1251 byte of every two-byte sequence (lead C2-DF, then a continuation byte): 0
// where the code page lacks the character. Cyrillic text is all two-byte sequences.
struct TwoByteTable {
    static constexpr unsigned kFirstLead = 0xC2;
    std::array<unsigned char, (0xE0 - kFirstLead) * 64> bytes{};
    TwoByteTable() {
        for (unsigned lead = kFirstLead; lead < 0xE0; ++lead) {
            for (unsigned low = 0; low < 64; ++low) {
                const auto byte = CodePointToCp1251(((lead & 0x1F) << 6) | low);
                bytes[(lead - kFirstLead) * 64 + low] = byte ? *byte : 0;
            }
        }
    }
};

const TwoByteTable& TwoBytes() {
    static const TwoByteTable table;
    return table;
}

constexpr std::uint64_t kHighBits = 0x8080808080808080;

// The UTF-8 bytes of every windows-1251 byte, packed into four bytes in memory order so that a
// character is stored with one write.
struct Utf8OfByteTable {
    std::array<std::uint32_t, 256> packed{};
    std::array<unsigned char, 256> length{};
    Utf8OfByteTable() {
        for (unsigned byte = 0; byte < 256; ++byte) {
            std::string encoded;
            AppendUtf8(encoded, Cp1251ToCodePoint(static_cast<unsigned char>(byte)));
            length[byte] = static_cast<unsigned char>(encoded.size());
            encoded.resize(sizeof(std::uint32_t), '\0');
            std::memcpy(&packed[byte], encoded.data(), sizeof(std::uint32_t));
        }
    }
};

const Utf8OfByteTable& Utf8OfByte() {
    static const Utf8OfByteTable table;
    return table;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define QX_CYRILLIC_BLOCKS 1

// For each set of kept places among eight, the shuffle that moves the kept bytes to the front
// (0x80 clears a byte), and how many there are.
struct GatherTable {
    std::array<std::uint64_t, 256> order{};
    std::array<unsigned char, 256> count{};
    constexpr GatherTable() {
        for (unsigned keep = 0; keep < 256; ++keep) {
            unsigned kept = 0;
            std::uint64_t order64 = 0;
            for (unsigned place = 0; place < 8; ++place) {
                if ((keep & (1u << place)) != 0) order64 |= std::uint64_t{place} << (8 * kept++);
            }
            for (unsigned place = kept; place < 8; ++place)
                order64 |= std::uint64_t{0x80} << (8 * place);
            order[keep] = order64;
            count[keep] = static_cast<unsigned char>(kept);
        }
    }
};
constexpr GatherTable kGather;

// The windows-1251 bytes of sixteen code points from `first`, 0 for those it lacks.
struct SixteenBytes {
    alignas(16) std::array<unsigned char, 16> bytes{};
    constexpr explicit SixteenBytes(char16_t first) {
        for (unsigned i = 0; i < 16; ++i) {
            for (unsigned high = 0; high < kHighHalf.size(); ++high) {
                if (kHighHalf[high] == first + i)
                    bytes[i] = static_cast<unsigned char>(0x80 + high);
            }
        }
    }
};
// Ѐ-Џ (D0 80-8F) and ѐ-џ (D1 90-9F).
constexpr SixteenBytes kCyrillicCapitals(0x0400);
constexpr SixteenBytes kCyrillicSmall(0x0450);

__attribute__((target("ssse3"))) __m128i Load(const SixteenBytes& table) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(table.bytes.data()));
}

// Where a run of blocks ended: the next byte to decode, the next place to write, and whether the
// run stopped at a block it cannot decode rather than for want of input or room. (The pointers
// are passed and given back by value: kept in memory, each block would wait for the stores of
// the one before.)
struct BlockRun {
    const unsigned char* at;
    char* to;
    bool stopped;
};

// The next block starts at a lead that ends this one, from that byte alone, so that the next load
// need not wait for this block's masks.
inline bool EndsWithLead(const unsigned char* last) { return (*last & 0xFE) == 0xD0; }

// Decodes sixteen bytes at a time for as long as they are ASCII and the Cyrillic letters of the
// code page, which is most of Russian and Ukrainian text, and stops at the first sixteen that hold
// anything else, for the caller to decode. Each block writes sixteen bytes at `to`, all of them
// before `full`.
__attribute__((target("ssse3"))) BlockRun DecodeCyrillicBlocks(const unsigned char* at,
                                                               const unsigned char* end, char* to,
                                                               const char* full) {
    const __m128i lead0 = _mm_set1_epi8(static_cast<char>(0xD0));
    const __m128i lead1 = _mm_set1_epi8(static_cast<char>(0xD1));
    // Signed comparisons: bytes 80-BF are the only ones below -64; of those, 80-8F are below
    // -112 and 80-9F below -96.
    const __m128i continuationBound = _mm_set1_epi8(-64);
    const __m128i bound90 = _mm_set1_epi8(-112);
    const __m128i boundA0 = _mm_set1_epi8(-96);
    const __m128i upperHalf = _mm_set_epi64x(0x0808080808080808, 0);
    while (end - at >= 16 && full - to >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(block));
        const __m128i isLead0 = _mm_cmpeq_epi8(block, lead0);
        const __m128i isLead1 = _mm_cmpeq_epi8(block, lead1);
        const auto leads = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(isLead0, isLead1)));
        const auto continuations =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(block, continuationBound)));
        // Each high byte a lead D0 or D1 or the byte right after one; a lead in the last place
        // is left for the next block.
        if ((leads | continuations) != high || continuations != ((leads << 1) & 0xFFFF))
            return {at, to, true};
        const __m128i afterLead0 = _mm_slli_si128(isLead0, 1);
        const __m128i afterLead1 = _mm_slli_si128(isLead1, 1);
        // А-п (D0 90-BF) are C0-EF, 30 above their second byte; р-я (D1 80-8F) are F0-FF, 70
        // above.
        const __m128i below90 = _mm_cmplt_epi8(block, bound90);
        __m128i letters =
            _mm_add_epi8(block, _mm_or_si128(_mm_and_si128(afterLead0, _mm_set1_epi8(0x30)),
                                             _mm_and_si128(afterLead1, _mm_set1_epi8(0x70))));
        // The rest (D0 80-8F and D1 90-9F: Ё, ё and the letters of other languages) come from
        // a table by their low four bits. D1 A0-BF, and the few letters the code page lacks, are
        // the caller's.
        const __m128i capital = _mm_and_si128(afterLead0, below90);
        const __m128i small = _mm_andnot_si128(below90, afterLead1);
        const __m128i rest = _mm_or_si128(capital, small);
        if (_mm_movemask_epi8(rest) != 0) {
            const __m128i belowA0 = _mm_cmplt_epi8(block, boundA0);
            if (_mm_movemask_epi8(_mm_andnot_si128(belowA0, small)) != 0) return {at, to, true};
            const __m128i index = _mm_and_si128(block, _mm_set1_epi8(0x0F));
            const __m128i looked = _mm_or_si128(
                _mm_and_si128(capital, _mm_shuffle_epi8(Load(kCyrillicCapitals), index)),
                _mm_and_si128(small, _mm_shuffle_epi8(Load(kCyrillicSmall), index)));
            if (_mm_movemask_epi8(
                    _mm_and_si128(rest, _mm_cmpeq_epi8(looked, _mm_setzero_si128()))) != 0)
                return {at, to, true};
            letters = _mm_or_si128(_mm_andnot_si128(rest, letters), looked);
        }
        // The leads drop out: each half of eight is gathered to its front.
        const unsigned keep = ~leads & 0xFFFF;
        const unsigned keepLow = keep & 0xFF;
        const unsigned keepHigh = keep >> 8;
        const __m128i order =
            _mm_add_epi8(_mm_set_epi64x(static_cast<long long>(kGather.order[keepHigh]),
                                        static_cast<long long>(kGather.order[keepLow])),
                         upperHalf);
        const __m128i gathered = _mm_shuffle_epi8(letters, order);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to), gathered);
        to += kGather.count[keepLow];
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_srli_si128(gathered, 8));
        to += kGather.count[keepHigh];
        at += EndsWithLead(at + 15) ? 15 : 16;
    }
    return {at, to, false};
}

// The same sixty-four bytes at a time, where the processor compresses bytes (AVX-512 VBMI2): the
// masks of the sixteen-byte blocks become mask registers, and the leads drop out in one step.
__attribute__((target("avx512f,avx512bw,avx512vbmi2"))) BlockRun DecodeCyrillicBlocks64(
    const unsigned char* at, const unsigned char* end, char* to, const char* full) {
    const __m512i lead0 = _mm512_set1_epi8(static_cast<char>(0xD0));
    const __m512i lead1 = _mm512_set1_epi8(static_cast<char>(0xD1));
    const __m512i continuationBound = _mm512_set1_epi8(-64);
    const __m512i bound90 = _mm512_set1_epi8(-112);
    const __m512i boundA0 = _mm512_set1_epi8(-96);
    // (The masked form: GCC 12 warns of the unmasked one's undefined start value.)
    const __m512i capitals = _mm512_maskz_broadcast_i32x4(
        0xFFFF, _mm_load_si128(reinterpret_cast<const __m128i*>(kCyrillicCapitals.bytes.data())));
    const __m512i smalls = _mm512_maskz_broadcast_i32x4(
        0xFFFF, _mm_load_si128(reinterpret_cast<const __m128i*>(kCyrillicSmall.bytes.data())));
    while (end - at >= 64 && full - to >= 64) {
        const __m512i block = _mm512_loadu_si512(at);
        const __mmask64 high = _mm512_movepi8_mask(block);
        const __mmask64 isLead0 = _mm512_cmpeq_epi8_mask(block, lead0);
        const __mmask64 isLead1 = _mm512_cmpeq_epi8_mask(block, lead1);
        const __mmask64 leads = isLead0 | isLead1;
        const __mmask64 continuations = _mm512_cmplt_epi8_mask(block, continuationBound);
        if ((leads | continuations) != high || continuations != (leads << 1)) return {at, to, true};
        const __mmask64 afterLead0 = isLead0 << 1;
        const __mmask64 afterLead1 = isLead1 << 1;
        __m512i letters = _mm512_mask_add_epi8(block, afterLead0, block, _mm512_set1_epi8(0x30));
        letters = _mm512_mask_add_epi8(letters, afterLead1, letters, _mm512_set1_epi8(0x70));
        const __mmask64 below90 = _mm512_cmplt_epi8_mask(block, bound90);
        const __mmask64 capital = afterLead0 & below90;
        const __mmask64 small = afterLead1 & ~below90;
        const __mmask64 rest = capital | small;
        if (rest != 0) {
            if ((small & ~_mm512_cmplt_epi8_mask(block, boundA0)) != 0) return {at, to, true};
            const __m512i index = _mm512_and_si512(block, _mm512_set1_epi8(0x0F));
            __m512i looked = _mm512_maskz_shuffle_epi8(capital, capitals, index);
            looked = _mm512_mask_shuffle_epi8(looked, small, smalls, index);
            if (_mm512_mask_cmpeq_epi8_mask(rest, looked, _mm512_setzero_si512()) != 0)
                return {at, to, true};
            letters = _mm512_mask_mov_epi8(letters, rest, looked);
        }
        const __mmask64 keep = ~leads;
        _mm512_storeu_si512(to, _mm512_maskz_compress_epi8(keep, letters));
        to += __builtin_popcountll(keep);
        at += EndsWithLead(at + 63) ? 63 : 64;
    }
    return {at, to, false};
}
#endif

// Readies `out` for the decoded form of a text of `size` bytes after what it holds: never longer
// than the input, since every character takes at least one byte there. Memory too small is given
// back before more is taken when nothing in it stays.
void ReserveDecoded(std::string& out, std::size_t size) {
    if (out.size() + size <= out.capacity()) return;
    if (out.empty()) std::string().swap(out);
    out.reserve(out.size() + size);
}

// Decodes and appends to `out`, which ReserveDecoded readied; false (out unspecified) for
// invalid UTF-8 when `strict`. Where `out` has room to spare (memory reused from piece to piece)
// the text is decoded into it directly. Otherwise it goes through a small piece of memory that is
// appended to `out`, so that memory is touched only as far as decoding gets: windows-1251 bytes
// taken for UTF-8 fail within the first few letters, which then costs nothing of the size of the
// text.
bool DecodeUtf8(std::string_view text, bool strict, bool* lossless, std::string& out,
                VectorWidth widest) {
    const TwoByteTable& twoBytes = TwoBytes();
    constexpr std::size_t kPiece = 16384;
    // What a block may write past the decoded text before it is counted.
    constexpr std::size_t kSlack = 64;
    const std::size_t start = out.size();
    const bool direct = out.capacity() - start >= text.size() + kSlack;
    char local[kPiece];
    char* piece = local;
    std::size_t room = kPiece;
    if (direct) {
        out.resize(start + text.size() + kSlack);
        piece = out.data() + start;
        room = text.size() + kSlack;
    }
    char* to = piece;
    // Room for the eight bytes of ASCII or the one byte of a character written at a time.
    char* const full = piece + room - 8;
    bool allKept = true;
    const auto* const begin = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = begin + text.size();
    const auto* at = begin;
#ifdef QX_CYRILLIC_BLOCKS
    // Texts of other scripts or much punctuation stop the blocks often; each stop puts the next
    // try further off, so that those texts cost what they did before.
    constexpr std::size_t kFirstWait = 16;
    constexpr std::size_t kLongestWait = 1024;
    const bool blocks = widest != VectorWidth::kNone;
    const bool wideBlocks = widest == VectorWidth::kSixtyFour;
    const unsigned char* blocksFrom = begin;
    std::size_t wait = kFirstWait;
#endif
    while (at < end) {
        // (Never when decoding directly: the text is never longer than its bytes.)
        if (to >= full) {
            out.append(piece, static_cast<std::size_t>(to - piece));
            to = piece;
        }
#ifdef QX_CYRILLIC_BLOCKS
        if (blocks && at >= blocksFrom) {
            const auto* const from = at;
            // The narrow blocks go on where the wide ones stop, up to the character they stop at.
            if (wideBlocks) {
                const BlockRun wide = DecodeCyrillicBlocks64(at, end, to, full);
                at = wide.at;
                to = wide.to;
            }
            const BlockRun run = DecodeCyrillicBlocks(at, end, to, full);
            at = run.at;
            to = run.to;
            if (run.stopped) {
                wait = at == from ? std::min(2 * wait, kLongestWait) : kFirstWait;
                blocksFrom =
                    at + std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(wait), end - at);
            }
            if (at == end) break;
            if (to >= full) continue;
        }
#endif
        if (*at < 0x80) {
            // Plain ASCII: eight bytes at a time, then byte by byte up to a byte that is not.
            std::uint64_t word = 0;
            while (to < full && end - at >= 8 &&
                   (std::memcpy(&word, at, 8), (word & kHighBits) == 0)) {
                std::memcpy(to, at, 8);
                at += 8;
                to += 8;
            }
            while (to < full && at < end && *at < 0x80) *to++ = static_cast<char>(*at++);
            continue;
        }
        // Two-byte sequences in a row, as Cyrillic words are, from the table. Each takes two
        // bytes and gives one: short of the last byte and of twice the room, no other bound.
        const auto* const pairs = at + std::min<std::ptrdiff_t>(end - 1 - at, 2 * (full - to));
        while (at < pairs && at[0] >= TwoByteTable::kFirstLead && at[0] < 0xE0 &&
               (at[1] & 0xC0) == 0x80) {
            unsigned char byte =
                twoBytes.bytes[(at[0] - TwoByteTable::kFirstLead) * 64 + (at[1] & 0x3F)];
            if (byte == 0) {
                byte = '?';
                allKept = false;
            }
            *to++ = static_cast<char>(byte);
            at += 2;
        }
        if (at == end || to >= full || *at < 0x80) continue;
        // Any other sequence, or a broken one.
        std::size_t pos = static_cast<std::size_t>(at - begin);
        const char32_t cp = NextCodePoint(text, pos);
        at = begin + pos;
        unsigned char byte = 0;
        if (IsInvalidUtf8Byte(cp)) {
            if (strict) return false;
        } else if (const auto known = CodePointToCp1251(cp)) {
            byte = *known;
        }
        if (byte == 0) {
            byte = '?';
            allKept = false;
        }
        *to++ = static_cast<char>(byte);
    }
    if (direct)
        out.resize(start + static_cast<std::size_t>(to - piece));
    else
        out.append(piece, static_cast<std::size_t>(to - piece));
    if (lossless) *lossless = allKept;
    return true;
}

}  // namespace

void ResizeForOverwrite(std::string& buffer, std::size_t size) {
    // A larger buffer is taken only after the old one is given back, so that the two are never
    // held at once; what it held is about to be overwritten anyway.
    if (size > buffer.capacity()) std::string().swap(buffer);
    buffer.resize(size);
}

void ReleaseIfLarge(std::string& buffer) {
    constexpr std::size_t kKept = std::size_t{4} << 20;
    if (buffer.capacity() > kKept) std::string().swap(buffer);
}

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

std::size_t Cp1251Utf8Size(std::string_view text) {
    const Utf8OfByteTable& table = Utf8OfByte();
    std::size_t size = 0;
    for (const char c : text) size += table.length[static_cast<unsigned char>(c)];
    return size;
}

std::size_t Cp1251ToUtf8Into(std::string_view text, char* out) {
    const Utf8OfByteTable& table = Utf8OfByte();
    char* to = out;
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at < end) {
        // Plain ASCII is copied eight bytes at a time.
        std::uint64_t word = 0;
        while (end - at >= 8 && (std::memcpy(&word, at, 8), (word & kHighBits) == 0)) {
            std::memcpy(to, at, 8);
            at += 8;
            to += 8;
        }
        // Then characters up to the next word of ASCII: four bytes stored, as many kept.
        const char* const stop = std::min(end, at + 8);
        while (at < stop) {
            const auto byte = static_cast<unsigned char>(*at++);
            std::memcpy(to, &table.packed[byte], sizeof(std::uint32_t));
            to += table.length[byte];
        }
    }
    return static_cast<std::size_t>(to - out);
}

std::string Cp1251ToUtf8(std::string_view text) {
    std::string out(Cp1251Utf8Size(text) + sizeof(std::uint32_t), '\0');
    out.resize(Cp1251ToUtf8Into(text, out.data()));
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
    std::string out;
    ReserveDecoded(out, text.size());
    if (!DecodeUtf8(text, /*strict=*/true, lossless, out, WidestVectors())) return std::nullopt;
    return out;
}

bool Utf8ToCp1251Into(std::string_view text, std::string& out, bool* lossless) {
    out.clear();
    ReserveDecoded(out, text.size());
    return DecodeUtf8(text, /*strict=*/true, lossless, out, WidestVectors());
}

bool Utf8ToCp1251Append(std::string_view text, std::string& out, bool* lossless) {
    ReserveDecoded(out, text.size());
    return DecodeUtf8(text, /*strict=*/true, lossless, out, WidestVectors());
}

bool Utf8ToCp1251Into(std::string_view text, std::string& out, bool* lossless, VectorWidth widest) {
    out.clear();
    ReserveDecoded(out, text.size());
    return DecodeUtf8(text, /*strict=*/true, lossless, out, std::min(widest, WidestVectors()));
}

std::string Utf8ToCp1251Lenient(std::string_view text, bool* lossless) {
    std::string out;
    ReserveDecoded(out, text.size());
    DecodeUtf8(text, /*strict=*/false, lossless, out, WidestVectors());
    return out;
}

}  // namespace qx
