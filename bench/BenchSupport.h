// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the window benchmarks share: messages that nobody sees, and a stopwatch.

#include <chrono>
#include <functional>
#include <string_view>

#include "platform/Messages.h"

namespace qx::bench {

// Shows nothing and answers every question with No.
class SilentMessages final : public Messages {
public:
    void Show(std::string_view, std::string_view, Icon) override {}
    bool Ask(std::string_view, std::string_view) override { return false; }
};

// How long `step` took, in milliseconds.
inline double Ms(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace qx::bench
