// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// ContentHash: the SHA-256 of a file's bytes, given whole or piece by piece. The undo journal
// and the preview recognise a file's content by it: the same digest, the same bytes.
//
// Example:
//     if (ContentHash::Of(now) == recorded) restore();

#include <array>
#include <memory>
#include <string_view>

namespace qx {

class ContentHash {
public:
    using Digest = std::array<unsigned char, 32>;

    ContentHash();
    ~ContentHash();
    ContentHash(const ContentHash&) = delete;
    ContentHash& operator=(const ContentHash&) = delete;

    void Add(std::string_view bytes);
    // The digest of everything added; the object starts over afterwards.
    Digest Finish();

    static Digest Of(std::string_view bytes);

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

}  // namespace qx
