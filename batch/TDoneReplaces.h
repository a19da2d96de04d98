// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The performed replacements of a run: what was found, what was put in its place and in which
// file, one record per replacement, in the order the engine made them. A run may make millions
// of replacements, so the records are packed: all texts in one buffer, two offsets and a file
// index per record, each file name stored once. Texts are windows-1251.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qx {

// One record as read back. The views point into the list: they stay valid until the next
// AddDoneReplace or Clear.
struct TDoneReplace {
    std::string_view Found;
    std::string_view Inserted;
    std::string_view FileName;  // as the file list shows it; empty for the clipboard
    int Number = 0;             // 1-based position in the list
};

class TDoneReplaces {
public:
    // Appends a record and returns its index; its Number is the new count. Same shape as the
    // engine's report, so a window's sinks hand their calls straight on.
    std::size_t AddDoneReplace(std::string_view found, std::string_view inserted,
                               std::string_view fileName);
    void Clear();
    std::size_t Count() const { return files_.size(); }
    bool Empty() const { return files_.empty(); }

    // `index` must be below Count().
    TDoneReplace Item(std::size_t index) const;
    std::string_view Found(std::size_t index) const;
    std::string_view Inserted(std::size_t index) const;
    std::string_view FileName(std::size_t index) const;

    // Indices, ascending, of the records whose found text, inserted text or file name
    // contains `needle` without regard to the code page's letter case. An empty needle
    // passes every record.
    std::vector<std::uint32_t> Matching(std::string_view needle) const;

    // Bytes held, for the benchmark's memory figure.
    std::size_t HeldBytes() const;

private:
    std::uint32_t InternFileName(std::string_view fileName);

    std::string texts_;                  // found, inserted, found, inserted, ...
    std::vector<std::uint64_t> ends_;    // per record: end of found, end of inserted
    std::vector<std::uint32_t> files_;   // per record: index into fileNames_
    std::deque<std::string> fileNames_;  // a deque: the map's keys view into its entries
    std::unordered_map<std::string_view, std::uint32_t> fileIndex_;
};

}  // namespace qx
