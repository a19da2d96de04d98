// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/DelimitedText.h"

namespace qx {
namespace {

constexpr char kQuote = '"';

bool IsBlank(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

// Reads a quoted entry starting at text[pos] (the opening quote); pos ends after the closing
// quote, or at the end when the quote is never closed.
std::string ReadQuoted(std::string_view text, std::size_t& pos) {
    std::string entry;
    ++pos;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == kQuote) {
            if (pos + 1 < text.size() && text[pos + 1] == kQuote) {
                entry.push_back(kQuote);
                pos += 2;
                continue;
            }
            ++pos;
            return entry;
        }
        entry.push_back(c);
        ++pos;
    }
    return entry;
}

}  // namespace

std::vector<std::string> SplitDelimited(std::string_view text, char delimiter) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> entries;
    std::size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && IsBlank(text[pos])) ++pos;
    };
    skipBlanks();
    while (pos < text.size()) {
        if (text[pos] == kQuote) {
            entries.push_back(ReadQuoted(text, pos));
        } else {
            const std::size_t start = pos;
            while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != delimiter) ++pos;
            entries.emplace_back(text.substr(start, pos - start));
        }
        skipBlanks();
        if (pos < text.size() && text[pos] == delimiter) {
            // A delimiter that closes the text stands for one more, empty entry.
            if (pos + 1 == text.size()) entries.emplace_back();
            ++pos;
            skipBlanks();
        }
    }
    return entries;
}

std::string JoinDelimited(const std::vector<std::string>& entries, char delimiter) {
    if (entries.size() == 1 && entries.front().empty()) return {kQuote, kQuote};
    std::string text;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) text.push_back(delimiter);
        const std::string& entry = entries[i];
        bool quote = false;
        for (char c : entry) {
            const auto code = static_cast<unsigned char>(c);
            if (code <= 32 || c == kQuote || c == delimiter) {
                quote = true;
                break;
            }
        }
        if (!quote) {
            text += entry;
            continue;
        }
        text.push_back(kQuote);
        for (char c : entry) {
            if (c == kQuote) text.push_back(kQuote);
            text.push_back(c);
        }
        text.push_back(kQuote);
    }
    return text;
}

}  // namespace qx
