// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Opening documents and web addresses in the desktop's own programs. Behind an interface
// because the desktop is not there in tests (offscreen) and the calls must be seen there.

#include <filesystem>
#include <string_view>

namespace qx {

class Shell {
public:
    virtual ~Shell() = default;
    // A web address with its scheme ("https://..."), UTF-8. The outcome is not reported.
    virtual void OpenUrl(std::string_view url) = 0;
    // A document in the program that handles its kind, e.g. the help page.
    virtual void OpenDocument(const std::filesystem::path& file) = 0;
};

}  // namespace qx
