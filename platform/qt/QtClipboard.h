// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The desktop clipboard through QClipboard; the selected text is its PRIMARY selection.

#include "platform/Clipboard.h"

namespace qx {

class QtClipboard final : public Clipboard {
public:
    bool HasText() const override;
    std::string Text() const override;
    bool SetText(std::string_view utf8) override;
    void Clear() override;
    std::optional<std::string> SelectedText() const override;
};

}  // namespace qx
