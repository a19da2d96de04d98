// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/StderrMessages.h"

#include <cstdio>

namespace qx {

std::string OneLine(std::string_view text) {
    std::string line;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
        if (i > start) {
            if (!line.empty()) line += "; ";
            line += text.substr(start, i - start);
        }
        start = i + 1;
    }
    return line;
}

void StderrMessages::Show(std::string_view text, std::string_view caption, Icon) {
    std::string line = "qxquendro: ";
    if (!caption.empty()) {
        line += caption;
        line += ": ";
    }
    line += OneLine(text);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

bool StderrMessages::Ask(std::string_view text, std::string_view caption) {
    Show(text, caption, Icon::Question);
    return false;
}

}  // namespace qx
