// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RegexTemplate.h"

namespace qx {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Group text for a number read from the template; out-of-range numbers insert nothing.
std::string_view GroupText(const RegexGroups& groups, unsigned long number) {
    return number < groups.size() ? groups[number] : std::string_view();
}

// Reads decimal digits from `pos`, saturating far above any group number.
unsigned long ReadNumber(std::string_view text, std::size_t& pos) {
    unsigned long number = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        if (number < 1000000) number = number * 10 + static_cast<unsigned long>(text[pos] - '0');
        ++pos;
    }
    return number;
}

}  // namespace

void AppendSubstitution(std::string_view templ, const RegexGroups& groups, std::string& out) {
    std::size_t pos = 0;
    while (pos < templ.size()) {
        const char c = templ[pos];
        if (c == '\\') {
            if (pos + 1 < templ.size()) {
                out += templ[pos + 1];
                pos += 2;
            } else {
                out += '\\';
                ++pos;
            }
            continue;
        }
        if (c != '$' || pos + 1 >= templ.size()) {
            out += c;
            ++pos;
            continue;
        }
        const char next = templ[pos + 1];
        if (IsDigit(next)) {
            pos += 1;
            out += GroupText(groups, ReadNumber(templ, pos));
            continue;
        }
        if (next == '&') {
            out += groups[0];
            pos += 2;
            continue;
        }
        if (next == '{') {
            // ${digits}, ${} and ${&}; anything else leaves "$" literal.
            std::size_t p = pos + 2;
            if (p + 1 < templ.size() && templ[p] == '&' && templ[p + 1] == '}') {
                out += groups[0];
                pos = p + 2;
                continue;
            }
            const unsigned long number = ReadNumber(templ, p);
            if (p < templ.size() && templ[p] == '}') {
                out += GroupText(groups, number);
                pos = p + 1;
                continue;
            }
        }
        out += '$';
        ++pos;
    }
}

}  // namespace qx
