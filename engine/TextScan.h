// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// TextScan: a look through a text that comes a piece at a time, for whether the rules would
// replace anything in it. A large file the rules leave as it is can then be read through a small
// buffer that stays in the processor's cache, instead of into memory of its own size.

#include <string_view>

namespace qx {

class TextScan {
public:
    virtual ~TextScan() = default;
    // The next piece of the text in the working code page; `last` for its final piece (which may
    // be empty). True as soon as the rules may replace something in the text: the scan is then
    // over and the text must be corrected whole. False after the last piece when they replace
    // nothing in it.
    virtual bool MayReplace(std::string_view piece, bool last) = 0;
};

}  // namespace qx
