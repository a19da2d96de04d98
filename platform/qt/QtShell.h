// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The desktop's own programs through QDesktopServices (xdg-open underneath).

#include "platform/Shell.h"

namespace qx {

class QtShell final : public Shell {
public:
    void OpenUrl(std::string_view url) override;
    void OpenDocument(const std::filesystem::path& file) override;
};

}  // namespace qx
