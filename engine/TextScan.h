// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// TextScan: a look through a text that comes a piece at a time, for whether the rules would
// replace anything in it. A large file the rules leave as it is can then be read through a small
// buffer that stays in the processor's cache, instead of into memory of its own size.

#include <cstddef>
#include <string_view>

namespace qx {

class TextScan {
public:
    // A scan never keeps more than this: a match in progress over more bytes ends it with "may
    // replace", so that memory stays small.
    static constexpr std::size_t kMaxKept = std::size_t{1} << 20;

    virtual ~TextScan() = default;
    // The text comes in windows, each the bytes the scan asked to keep of the window before
    // (Kept()) followed by the next piece of the text, in the working code page; `last` for the
    // final piece (which may be empty). True as soon as the rules may replace something in the
    // text: the scan is then over and the text must be corrected whole. False after the last
    // piece when they replace nothing in it.
    virtual bool MayReplace(std::string_view window, bool last) = 0;
    // How many bytes at the end of the window just looked through the next window begins with.
    virtual std::size_t Kept() const = 0;
};

}  // namespace qx
