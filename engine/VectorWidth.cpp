// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/VectorWidth.h"

namespace qx {

VectorWidth WidestVectors() {
#if defined(__x86_64__) && defined(__GNUC__)
    // Initialised on first use, since a text may be decoded by a static constructor that runs
    // before the processor's features are known.
    static const VectorWidth widest = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi2"))
            return VectorWidth::kSixtyFour;
        return __builtin_cpu_supports("ssse3") ? VectorWidth::kSixteen : VectorWidth::kNone;
    }();
    return widest;
#else
    return VectorWidth::kNone;
#endif
}

}  // namespace qx
