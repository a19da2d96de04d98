// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Assistive technologies find a control by its accessible name; the program gives each one
// its caption, so that a reader says what the user reads.

class QWidget;

namespace qx {

// Every label, button, check box and page of `window` without an accessible name gets its
// caption (the mnemonic "&" dropped); an edit or memo whose label names it as its buddy gets
// that label's caption.
void NameControlsByCaption(QWidget* window);

}  // namespace qx
