// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "platform/Messages.h"

namespace qx {

// Messages for batch mode: each message is written as one line on standard error, prefixed
// with the program name; questions are answered no.
class StderrMessages : public Messages {
public:
    void Show(std::string_view text, std::string_view caption, Icon icon) override;
    bool Ask(std::string_view text, std::string_view caption) override;
};

// A message text flattened to one line: its non-empty lines joined by "; ".
std::string OneLine(std::string_view text);

}  // namespace qx
