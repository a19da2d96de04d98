// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/TDoneReplaces.h"

#include <functional>
#include <limits>
#include <stdexcept>

#include "engine/CodePage.h"

namespace qx {
namespace {

// Compares and hashes bytes by their lower-case letter, so that one searcher built for the
// filter text finds it in every record without lower-casing the records.
struct LowerHash {
    std::size_t operator()(char c) const { return static_cast<unsigned char>(LowerChar(c)); }
};
struct LowerEqual {
    bool operator()(char a, char b) const { return LowerChar(a) == LowerChar(b); }
};
using Searcher =
    std::boyer_moore_horspool_searcher<std::string_view::const_iterator, LowerHash, LowerEqual>;

bool Contains(const Searcher& searcher, std::string_view text, std::size_t needleSize) {
    if (text.size() < needleSize) return false;
    return searcher(text.begin(), text.end()).first != text.end();
}

}  // namespace

std::size_t TDoneReplaces::AddDoneReplace(std::string_view found, std::string_view inserted,
                                          std::string_view fileName) {
    if (files_.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("too many replacements recorded");
    const std::uint32_t file = InternFileName(fileName);
    texts_.append(found);
    ends_.push_back(texts_.size());
    texts_.append(inserted);
    ends_.push_back(texts_.size());
    files_.push_back(file);
    return files_.size() - 1;
}

std::uint32_t TDoneReplaces::InternFileName(std::string_view fileName) {
    // A run reports the replacements of one file one after the other.
    if (!files_.empty() && fileNames_[files_.back()] == fileName) return files_.back();
    if (const auto it = fileIndex_.find(fileName); it != fileIndex_.end()) return it->second;
    const auto index = static_cast<std::uint32_t>(fileNames_.size());
    const std::string& stored = fileNames_.emplace_back(fileName);
    fileIndex_.emplace(stored, index);
    return index;
}

void TDoneReplaces::Clear() {
    // Gives the memory back: a run of millions of records should not hold it until the next.
    std::string().swap(texts_);
    std::vector<std::uint64_t>().swap(ends_);
    std::vector<std::uint32_t>().swap(files_);
    fileIndex_.clear();
    fileNames_.clear();
}

std::string_view TDoneReplaces::Found(std::size_t index) const {
    const std::uint64_t begin = index == 0 ? 0 : ends_[2 * index - 1];
    return std::string_view(texts_).substr(begin, ends_[2 * index] - begin);
}

std::string_view TDoneReplaces::Inserted(std::size_t index) const {
    const std::uint64_t begin = ends_[2 * index];
    return std::string_view(texts_).substr(begin, ends_[2 * index + 1] - begin);
}

std::string_view TDoneReplaces::FileName(std::size_t index) const {
    return fileNames_[files_[index]];
}

TDoneReplace TDoneReplaces::Item(std::size_t index) const {
    return {Found(index), Inserted(index), FileName(index), static_cast<int>(index + 1)};
}

std::vector<std::uint32_t> TDoneReplaces::Matching(std::string_view needle) const {
    std::vector<std::uint32_t> rows;
    const auto count = static_cast<std::uint32_t>(Count());
    if (needle.empty()) {
        rows.resize(count);
        for (std::uint32_t i = 0; i < count; ++i) rows[i] = i;
        return rows;
    }
    const Searcher searcher(needle.begin(), needle.end());
    // Each file name is tested once, not once per record.
    std::vector<bool> fileMatches(fileNames_.size());
    for (std::size_t f = 0; f < fileNames_.size(); ++f)
        fileMatches[f] = Contains(searcher, fileNames_[f], needle.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        if (fileMatches[files_[i]] || Contains(searcher, Found(i), needle.size()) ||
            Contains(searcher, Inserted(i), needle.size()))
            rows.push_back(i);
    }
    return rows;
}

std::size_t TDoneReplaces::HeldBytes() const {
    std::size_t bytes = texts_.capacity() + ends_.capacity() * sizeof(std::uint64_t) +
                        files_.capacity() * sizeof(std::uint32_t);
    for (const std::string& name : fileNames_)
        bytes += sizeof(std::string) + name.capacity() + 2 * sizeof(void*) + sizeof(std::uint32_t);
    return bytes;
}

}  // namespace qx
