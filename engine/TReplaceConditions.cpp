// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TReplaceConditions.h"

#include <cstring>
#include <optional>

#include "engine/CodePage.h"

namespace qx {
namespace {

// The text is lower-cased once, on the first search that needs it: the conditions are tested
// on whole files, and up to four fragments are looked for.
class FoldedText {
public:
    explicit FoldedText(std::string_view text) : text_(text) {}

    bool Contains(std::string_view fragment) {
        if (!lowered_) lowered_ = LowerCase(text_);
        const std::string needle = LowerCase(fragment);
        return ::memmem(lowered_->data(), lowered_->size(), needle.data(), needle.size()) !=
               nullptr;
    }

private:
    std::string_view text_;
    std::optional<std::string> lowered_;
};

}  // namespace

bool CheckConditions(const TReplaceConditions& conditions, std::string_view text) {
    if (text.empty()) return false;
    FoldedText folded(text);
    // A switched-on condition with an empty fragment is met, so it neither vetoes nor blocks.
    auto active = [](bool on, const std::string& fragment) { return on && !fragment.empty(); };

    if (conditions.DontReplaceGroup) {
        if (active(conditions.DontReplaceIfContains, conditions.DontReplaceIfContainsText) &&
            folded.Contains(conditions.DontReplaceIfContainsText)) {
            return false;
        }
        if (active(conditions.DontReplaceIfAbsent, conditions.DontReplaceIfAbsentText) &&
            !folded.Contains(conditions.DontReplaceIfAbsentText)) {
            return false;
        }
    }
    if (!conditions.ReplaceGroup) return true;
    if (active(conditions.ReplaceIfContains, conditions.ReplaceIfContainsText) &&
        !folded.Contains(conditions.ReplaceIfContainsText)) {
        return false;
    }
    if (active(conditions.ReplaceIfAbsent, conditions.ReplaceIfAbsentText) &&
        folded.Contains(conditions.ReplaceIfAbsentText)) {
        return false;
    }
    return true;
}

}  // namespace qx
