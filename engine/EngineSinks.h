// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace qx {

// Where the engine reports while it works. Every method may be a no-op.
class EngineSinks {
public:
    virtual ~EngineSinks() = default;
    // One call per replacement made.
    virtual void AddDoneReplace(std::string_view found, std::string_view inserted,
                                std::string_view fileName) = 0;
    // One call per applied active rule.
    virtual void StepProgress() = 0;
    // One line for the log page (an XML parse failure under an xPath rule).
    virtual void AppendLog(std::string_view line) = 0;
};

}  // namespace qx
