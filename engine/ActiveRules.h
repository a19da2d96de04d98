// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace qx {

class TReplace;

// The rows that decide which rules run.
class ActiveRules {
public:
    virtual ~ActiveRules() = default;
    virtual std::size_t RowCount() const = 0;
    // The rule of a checked row; nullptr for an unchecked row or one that holds no rule.
    virtual const TReplace* ActiveRule(std::size_t row) const = 0;
};

}  // namespace qx
