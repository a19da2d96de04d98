// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TextDiff.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace qx {
namespace {

// Letters and digits of any script (windows-1251 bytes above 0x7F included) and the underscore.
bool IsWordByte(unsigned char c) {
    return c >= 0x80 || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
           (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsSpaceByte(unsigned char c) { return c == ' ' || c == '\t'; }

struct Token {
    std::size_t start;
    std::size_t length;
};

std::vector<Token> Tokens(std::string_view text) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t end = i + 1;
        if (IsWordByte(c)) {
            while (end < text.size() && IsWordByte(static_cast<unsigned char>(text[end]))) ++end;
        } else if (IsSpaceByte(c)) {
            while (end < text.size() && IsSpaceByte(static_cast<unsigned char>(text[end]))) ++end;
        }
        tokens.push_back({i, end - i});
        i = end;
    }
    return tokens;
}

class Sequences {
public:
    Sequences(std::string_view a, std::string_view b)
        : a_(a), b_(b), ta_(Tokens(a)), tb_(Tokens(b)) {}
    std::size_t N() const { return ta_.size(); }
    std::size_t M() const { return tb_.size(); }
    bool Same(std::size_t i, std::size_t j) const {
        return a_.substr(ta_[i].start, ta_[i].length) == b_.substr(tb_[j].start, tb_[j].length);
    }
    // Byte range of tokens [from, to) of either side.
    static std::size_t Start(const std::vector<Token>& t, std::size_t i, std::size_t size) {
        return i < t.size() ? t[i].start : size;
    }
    const std::vector<Token>& A() const { return ta_; }
    const std::vector<Token>& B() const { return tb_; }
    std::size_t SizeA() const { return a_.size(); }
    std::size_t SizeB() const { return b_.size(); }

private:
    std::string_view a_, b_;
    std::vector<Token> ta_, tb_;
};

// A run of token edits between matching tokens, as token indexes.
struct TokenChange {
    std::size_t a0, a1, b0, b1;
};

// Myers' greedy shortest edit script over tokens [a0, a1) and [b0, b1), keeping every frontier
// to walk back (memory grows with the square of the edits); false when it needs more than
// `maxEdits` edits.
bool Myers(const Sequences& s, std::size_t a0, std::size_t a1, std::size_t b0, std::size_t b1,
           std::size_t maxEdits, std::vector<TokenChange>& out) {
    const auto n = static_cast<std::ptrdiff_t>(a1 - a0);
    const auto m = static_cast<std::ptrdiff_t>(b1 - b0);
    const std::ptrdiff_t maxD =
        std::min<std::ptrdiff_t>(n + m, static_cast<std::ptrdiff_t>(maxEdits));
    const std::ptrdiff_t offset = maxD + 1;
    std::vector<std::ptrdiff_t> v(static_cast<std::size_t>(2 * offset + 1), 0);
    std::vector<std::vector<std::ptrdiff_t>> trace;
    const auto at = [&](std::ptrdiff_t k) -> std::ptrdiff_t& {
        return v[static_cast<std::size_t>(k + offset)];
    };
    std::ptrdiff_t found = -1;
    for (std::ptrdiff_t d = 0; d <= maxD && found < 0; ++d) {
        for (std::ptrdiff_t k = -d; k <= d; k += 2) {
            std::ptrdiff_t x =
                (k == -d || (k != d && at(k - 1) < at(k + 1))) ? at(k + 1) : at(k - 1) + 1;
            std::ptrdiff_t y = x - k;
            while (x < n && y < m &&
                   s.Same(a0 + static_cast<std::size_t>(x), b0 + static_cast<std::size_t>(y))) {
                ++x;
                ++y;
            }
            at(k) = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
        // Only the diagonals -d..d are reached after d edits: that slice is all a walk back needs.
        trace.emplace_back(v.begin() + (offset - d), v.begin() + (offset + d + 1));
    }
    if (found < 0) return false;

    // Walk back from the end, collecting the edit points, then merge them into runs.
    std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> points;  // (x, y) before each edit
    std::vector<bool> deletion;
    std::ptrdiff_t x = n, y = m;
    for (std::ptrdiff_t d = found; d > 0; --d) {
        const std::vector<std::ptrdiff_t>& prev = trace[static_cast<std::size_t>(d - 1)];
        const auto pv = [&](std::ptrdiff_t k) {
            return prev[static_cast<std::size_t>(k + (d - 1))];
        };
        const std::ptrdiff_t k = x - y;
        const bool down = k == -d || (k != d && pv(k - 1) < pv(k + 1));
        const std::ptrdiff_t prevK = down ? k + 1 : k - 1;
        const std::ptrdiff_t prevX = pv(prevK);
        const std::ptrdiff_t prevY = prevX - prevK;
        points.emplace_back(prevX, prevY);
        deletion.push_back(!down);
        x = prevX;
        y = prevY;
    }
    std::vector<TokenChange> runs;
    for (std::size_t i = points.size(); i-- > 0;) {
        const auto [px, py] = points[i];
        const auto ux = static_cast<std::size_t>(px) + a0;
        const auto uy = static_cast<std::size_t>(py) + b0;
        TokenChange edit =
            deletion[i] ? TokenChange{ux, ux + 1, uy, uy} : TokenChange{ux, ux, uy, uy + 1};
        if (!runs.empty() && runs.back().a1 == edit.a0 && runs.back().b1 == edit.b0) {
            runs.back().a1 = edit.a1;
            runs.back().b1 = edit.b1;
        } else {
            runs.push_back(edit);
        }
    }
    out.insert(out.end(), runs.begin(), runs.end());
    return true;
}

}  // namespace

std::vector<TextChange> DiffTexts(std::string_view before, std::string_view after,
                                  std::size_t maxEdits) {
    if (before == after) return {};
    const Sequences s(before, after);
    std::size_t a0 = 0, b0 = 0, a1 = s.N(), b1 = s.M();
    while (a0 < a1 && b0 < b1 && s.Same(a0, b0)) ++a0, ++b0;
    while (a1 > a0 && b1 > b0 && s.Same(a1 - 1, b1 - 1)) --a1, --b1;

    std::vector<TokenChange> runs;
    if (!Myers(s, a0, a1, b0, b1, maxEdits, runs)) runs = {{a0, a1, b0, b1}};

    std::vector<TextChange> changes;
    changes.reserve(runs.size());
    for (const TokenChange& run : runs) {
        const std::size_t bs = Sequences::Start(s.A(), run.a0, s.SizeA());
        const std::size_t be = Sequences::Start(s.A(), run.a1, s.SizeA());
        const std::size_t as = Sequences::Start(s.B(), run.b0, s.SizeB());
        const std::size_t ae = Sequences::Start(s.B(), run.b1, s.SizeB());
        changes.push_back({bs, be - bs, as, ae - as});
    }
    return changes;
}

}  // namespace qx
