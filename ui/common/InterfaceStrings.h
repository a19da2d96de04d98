// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The texts of a window as the interface strings file keeps them: its caption, then each
// named component of the window in the order it was made (nested ones included, other
// windows left out), with the texts its kind keeps, tested in this order: label, action,
// push button, tool button, radio button, menu, check box, list view (one caption per
// column, also an empty one), group box, tab page. Edits, text boxes, combo boxes, timers
// and the like keep no texts.

#include "storage/StringsFile.h"

class QWidget;

namespace qx {

// The dynamic property that holds an action's hint where its tool tip would otherwise fall
// back to its caption.
inline constexpr const char* kHintProperty = "qxHint";

StringsForm CollectFormStrings(const QWidget& window);

}  // namespace qx
