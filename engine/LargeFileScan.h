// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// ScanLargeFile: reads a file a piece at a time, decoded as CorrectFile would decode it whole, and
// tells whether the rules may change it. A large file that the rules leave as it is then costs a
// read through a small buffer instead of memory of its own size, which the kernel must also
// clear page by page.

#include <string>

#include "engine/TextRules.h"

namespace qx {

enum class ScanVerdict {
    kUnchanged,     // the file decodes without loss and no rule replaces anything in it
    kCorrectWhole,  // a rule may replace something, or only the whole file can tell
};

// `fd` is read from its current offset, which it is at the file's start; afterwards it is
// anywhere. `bytes` and `text` are the buffers of the pieces, reused from file to file.
ScanVerdict ScanLargeFile(int fd, bool utf8Option, TextRules& rules, std::string& bytes,
                          std::string& text);

}  // namespace qx
