// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/ChangedPlaces.h"

#include <algorithm>

namespace qx {
namespace {

// Beyond this many inserted and removed lines the shortest difference costs too much to find;
// the lines are then compared by position, which suits corrections that keep the line count.
constexpr std::size_t kMaxEdits = 1000;

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return lines;
}

enum class Op { Equal, Remove, Add };
struct Step {
    Op op;
    std::size_t a;  // line of the old text (Equal, Remove)
    std::size_t b;  // line of the new text (Equal, Add)
};

// The shortest edit script of a[from..toA) against b[from..toB) (Myers), or false when it needs
// more than kMaxEdits steps.
bool ShortestScript(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b,
                    std::size_t fromA, std::size_t toA, std::size_t fromB, std::size_t toB,
                    std::vector<Step>& out) {
    const long n = static_cast<long>(toA - fromA);
    const long m = static_cast<long>(toB - fromB);
    const long max = std::min<long>(n + m, static_cast<long>(kMaxEdits));
    const long offset = max + 1;
    std::vector<long> v(static_cast<std::size_t>(2 * max + 3), 0);
    std::vector<std::vector<long>> trace;  // v before step d, for k in [-d-1, d+1]
    const auto at = [&](std::vector<long>& values, long k) -> long& {
        return values[static_cast<std::size_t>(k + offset)];
    };
    const auto same = [&](long x, long y) {
        return a[fromA + static_cast<std::size_t>(x)] == b[fromB + static_cast<std::size_t>(y)];
    };
    long found = -1;
    for (long d = 0; d <= max && found < 0; ++d) {
        trace.emplace_back(v.begin() + (offset - d - 1), v.begin() + (offset + d + 2));
        for (long k = -d; k <= d; k += 2) {
            long x = (k == -d || (k != d && at(v, k - 1) < at(v, k + 1))) ? at(v, k + 1)
                                                                          : at(v, k - 1) + 1;
            long y = x - k;
            while (x < n && y < m && same(x, y)) ++x, ++y;
            at(v, k) = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    if (found < 0) return false;

    std::vector<Step> reversed;
    long x = n;
    long y = m;
    for (long d = found; d >= 0; --d) {
        const std::vector<long>& before = trace[static_cast<std::size_t>(d)];
        const auto old = [&](long k) { return before[static_cast<std::size_t>(k + d + 1)]; };
        const long k = x - y;
        const long previousK = (k == -d || (k != d && old(k - 1) < old(k + 1))) ? k + 1 : k - 1;
        const long previousX = d == 0 ? 0 : old(previousK);
        const long previousY = d == 0 ? 0 : previousX - previousK;
        while (x > previousX && y > previousY) {
            --x, --y;
            reversed.push_back({Op::Equal, fromA + static_cast<std::size_t>(x),
                                fromB + static_cast<std::size_t>(y)});
        }
        if (d > 0) {
            if (x == previousX)
                reversed.push_back({Op::Add, fromA + static_cast<std::size_t>(x),
                                    fromB + static_cast<std::size_t>(previousY)});
            else
                reversed.push_back({Op::Remove, fromA + static_cast<std::size_t>(previousX),
                                    fromB + static_cast<std::size_t>(y)});
        }
        x = previousX;
        y = previousY;
    }
    out.insert(out.end(), reversed.rbegin(), reversed.rend());
    return true;
}

// Line by line at the same positions, the longer side's rest added or removed.
void ByPosition(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b,
                std::size_t fromA, std::size_t toA, std::size_t fromB, std::size_t toB,
                std::vector<Step>& out) {
    std::size_t i = fromA;
    std::size_t j = fromB;
    while (i < toA || j < toB) {
        if (i < toA && j < toB && a[i] == b[j]) {
            out.push_back({Op::Equal, i++, j++});
            continue;
        }
        // A run of differing lines: its removals, then its additions.
        std::size_t endA = i;
        std::size_t endB = j;
        while ((endA < toA || endB < toB) && !(endA < toA && endB < toB && a[endA] == b[endB])) {
            if (endA < toA) ++endA;
            if (endB < toB) ++endB;
        }
        for (; i < endA; ++i) out.push_back({Op::Remove, i, j});
        for (; j < endB; ++j) out.push_back({Op::Add, i, j});
    }
}

std::size_t Content(std::string_view line) {
    std::size_t size = line.size();
    if (size > 0 && line[size - 1] == '\n') --size;
    if (size > 0 && line[size - 1] == '\r') --size;
    return size;
}

ChangedPlaces::Line MakeLine(ChangedPlaces::Line::Kind kind, std::size_t number,
                             std::string_view text, std::size_t markFrom, std::size_t markTo) {
    ChangedPlaces::Line line;
    line.kind = kind;
    line.number = number;
    std::size_t start = 0;
    std::size_t end = text.size();
    if (end > ChangedPlaces::kMaxLineShown) {
        // A long line (a one-line document, say) is shown around its change.
        constexpr std::size_t kAround = ChangedPlaces::kMaxLineShown / 3;
        start = markFrom > kAround ? markFrom - kAround : 0;
        end = std::min(text.size(), std::max(markTo, start) + kAround);
        end = std::min(end, start + ChangedPlaces::kMaxLineShown);
    }
    line.text = std::string(text.substr(start, end - start));
    line.cutBefore = start > 0;
    line.cutAfter = end < text.size();
    line.markFrom = std::clamp(markFrom, start, end) - start;
    line.markTo = std::clamp(markTo, start, end) - start;
    return line;
}

}  // namespace

ChangedPlaces FindChangedPlaces(std::string_view before, std::string_view after) {
    ChangedPlaces places;
    const std::vector<std::string_view> a = SplitLines(before);
    const std::vector<std::string_view> b = SplitLines(after);
    std::size_t prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
           a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;

    std::vector<Step> steps;
    // Only the context before the first change and after the last is of interest.
    const std::size_t lead = std::min(prefix, ChangedPlaces::kContextLines);
    for (std::size_t k = prefix - lead; k < prefix; ++k) steps.push_back({Op::Equal, k, k});
    const std::size_t toA = a.size() - suffix;
    const std::size_t toB = b.size() - suffix;
    if (!ShortestScript(a, b, prefix, toA, prefix, toB, steps))
        ByPosition(a, b, prefix, toA, prefix, toB, steps);
    for (std::size_t k = 0; k < std::min(suffix, ChangedPlaces::kContextLines); ++k)
        steps.push_back({Op::Equal, toA + k, toB + k});

    std::size_t bytes = 0;
    std::size_t index = 0;
    while (index < steps.size()) {
        if (steps[index].op == Op::Equal) {
            ++index;
            continue;
        }
        // A hunk: context before, then changes until an unchanged stretch longer than twice
        // the context, then context after.
        std::size_t first =
            index >= ChangedPlaces::kContextLines ? index - ChangedPlaces::kContextLines : 0;
        while (first < index && steps[first].op != Op::Equal) ++first;
        std::size_t last = index;
        std::size_t cursor = index;
        std::size_t changes = 0;
        while (cursor < steps.size()) {
            if (steps[cursor].op != Op::Equal) {
                // A run of removals and additions is one changed place.
                ++changes;
                while (cursor < steps.size() && steps[cursor].op != Op::Equal) ++cursor;
                last = cursor;
                continue;
            }
            std::size_t equal = cursor;
            while (equal < steps.size() && steps[equal].op == Op::Equal) ++equal;
            if (equal == steps.size() || equal - cursor > 2 * ChangedPlaces::kContextLines) break;
            cursor = equal;
        }
        const std::size_t end = std::min(steps.size(), last + ChangedPlaces::kContextLines);
        places.places += changes;
        if (places.truncated || places.hunks.size() >= ChangedPlaces::kMaxHunks ||
            bytes >= ChangedPlaces::kMaxBytes) {
            places.truncated = true;
            index = end;
            continue;
        }

        // A hunk too large for the bounds (every line changed, say) is cut short.
        const auto push = [&](ChangedPlaces::Hunk&, std::size_t step) {
            const std::string_view text =
                steps[step].op == Op::Add ? b[steps[step].b] : a[steps[step].a];
            bytes += std::min(text.size(), ChangedPlaces::kMaxLineShown);
            if (bytes <= ChangedPlaces::kMaxBytes) return true;
            places.truncated = true;
            return false;
        };
        ChangedPlaces::Hunk hunk;
        hunk.oldStart = steps[first].a + 1;
        hunk.newStart = steps[first].b + 1;
        using Kind = ChangedPlaces::Line::Kind;
        for (std::size_t k = first; k < end;) {
            if (steps[k].op == Op::Equal) {
                if (!push(hunk, k)) break;
                hunk.lines.push_back(MakeLine(Kind::Context, steps[k].a + 1, a[steps[k].a], 0, 0));
                ++hunk.oldCount, ++hunk.newCount;
                ++k;
                continue;
            }
            std::vector<std::size_t> removed, added;
            for (; k < end && steps[k].op != Op::Equal; ++k)
                (steps[k].op == Op::Remove ? removed : added).push_back(k);
            // The k-th removed line pairs with the k-th added one: their common start and end
            // are unmarked.
            std::vector<std::pair<std::size_t, std::size_t>> markA(removed.size()),
                markB(added.size());
            for (std::size_t r = 0; r < removed.size(); ++r)
                markA[r] = {0, Content(a[steps[removed[r]].a])};
            for (std::size_t r = 0; r < added.size(); ++r)
                markB[r] = {0, Content(b[steps[added[r]].b])};
            for (std::size_t r = 0; r < std::min(removed.size(), added.size()); ++r) {
                const std::string_view old = a[steps[removed[r]].a];
                const std::string_view now = b[steps[added[r]].b];
                std::size_t head = 0;
                while (head < old.size() && head < now.size() && old[head] == now[head]) ++head;
                std::size_t tail = 0;
                while (tail < old.size() - head && tail < now.size() - head &&
                       old[old.size() - 1 - tail] == now[now.size() - 1 - tail])
                    ++tail;
                markA[r] = {head, old.size() - tail};
                markB[r] = {head, now.size() - tail};
            }
            for (std::size_t r = 0; r < removed.size() && push(hunk, removed[r]); ++r) {
                const Step& step = steps[removed[r]];
                hunk.lines.push_back(MakeLine(Kind::Removed, step.a + 1, a[step.a], markA[r].first,
                                              markA[r].second));
                ++hunk.oldCount;
            }
            for (std::size_t r = 0; r < added.size() && push(hunk, added[r]); ++r) {
                const Step& step = steps[added[r]];
                hunk.lines.push_back(
                    MakeLine(Kind::Added, step.b + 1, b[step.b], markB[r].first, markB[r].second));
                ++hunk.newCount;
            }
        }
        places.hunks.push_back(std::move(hunk));
        index = end;
    }
    return places;
}

}  // namespace qx
