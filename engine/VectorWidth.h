// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How wide the vector instructions are that the hand-vectorised loops (UTF-8 decoding, the
// case-folding search) may use, chosen at run time from the processor. Every width gives the same
// results; the tests try each one the processor has.

namespace qx {

enum class VectorWidth {
    kNone,       // one byte at a time
    kSixteen,    // SSSE3
    kSixtyFour,  // AVX-512 with byte instructions and byte compression (BW, VBMI2)
};

VectorWidth WidestVectors();

}  // namespace qx
