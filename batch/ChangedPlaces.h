// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// ChangedPlaces: where a correction changed a text, as the preview shows it: each changed place
// with a few lines of context, in the manner of a unified difference, the changed characters of
// a changed line marked. Only what is shown is kept, within fixed bounds per text (places,
// bytes, the length of a line), so that a preview of many large files holds little.
//
// Example:
//     const ChangedPlaces places = FindChangedPlaces(before, after);
//     for (const ChangedPlaces::Hunk& hunk : places.hunks) show(hunk);

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

struct ChangedPlaces {
    static constexpr std::size_t kContextLines = 3;
    static constexpr std::size_t kMaxHunks = 40;
    static constexpr std::size_t kMaxBytes = 48 * 1024;
    static constexpr std::size_t kMaxLineShown = 240;

    struct Line {
        enum class Kind : char { Context = ' ', Removed = '-', Added = '+' };
        Kind kind = Kind::Context;
        std::size_t number = 0;    // 1-based, in the old text (context, removed) or the new one
        std::string text;          // with its line break; a long line only around its change
        std::size_t markFrom = 0;  // the changed characters of `text`, none when equal
        std::size_t markTo = 0;
        bool cutBefore = false;  // `text` leaves out the start of a long line
        bool cutAfter = false;   // ... or its end
    };
    struct Hunk {
        std::size_t oldStart = 0;  // first line, 1-based, and number of lines on each side
        std::size_t oldCount = 0;
        std::size_t newStart = 0;
        std::size_t newCount = 0;
        std::vector<Line> lines;
    };

    std::vector<Hunk> hunks;  // the first ones, within the bounds
    std::size_t places = 0;   // every changed place, kept or not
    bool truncated = false;   // places beyond the bounds were left out
};

// Lines end after "\n"; a "\r" before it belongs to the line break.
ChangedPlaces FindChangedPlaces(std::string_view before, std::string_view after);

}  // namespace qx
