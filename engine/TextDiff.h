// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where two versions of a text differ, for marking the changed places: the texts are cut into
// words, single other characters and runs of white space, and the shortest edit between the two
// word sequences gives the changed pieces. Beyond `maxEdits` word edits the work would grow with
// their square, so the rest is given as one piece from the first to the last difference.

#include <cstddef>
#include <string_view>
#include <vector>

namespace qx {

// A changed piece: [beforeStart, beforeStart + beforeLength) of the old text became
// [afterStart, afterStart + afterLength) of the new one. Byte positions.
struct TextChange {
    std::size_t beforeStart = 0;
    std::size_t beforeLength = 0;
    std::size_t afterStart = 0;
    std::size_t afterLength = 0;

    bool operator==(const TextChange&) const = default;
};

std::vector<TextChange> DiffTexts(std::string_view before, std::string_view after,
                                  std::size_t maxEdits = 1500);

}  // namespace qx
