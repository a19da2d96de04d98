// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The interface strings file "Strings.xml": the user-visible texts of the exported windows,
// keyed by window and control name, for translators. The program writes it on demand
// (Ctrl+Alt+S) and never reads it. Written in windows-1251:
//
//     <?xml version="1.0" encoding="windows-1251"?>
//     <Strings xml:space="preserve"><Forms>
//       <Form Name="frmAbout"><Caption>О программе</Caption><Controls>
//         <Control Name="btnOK"><Caption>Закрыть</Caption><Hint>...</Hint></Control>
//       ...
//
// Only controls whose texts hold a Cyrillic letter (windows-1251 codes 192 to 255) are kept:
// separators, "...", "UTF-8" and controls without texts leave no trace. A window's own caption
// is always kept.

#include <filesystem>
#include <string>
#include <vector>

namespace qx {

// One control's texts, UTF-8, as they go into the file: every caption listed becomes one
// Caption element (the caller leaves out the empty ones its kind does not keep), a non-empty
// hint one Hint element after them.
struct StringsControl {
    std::string name;
    std::vector<std::string> captions;
    std::string hint;
};

struct StringsForm {
    std::string name;
    std::string caption;
    std::vector<StringsControl> controls;  // in the window's component order
};

// The file's bytes for these windows, in their order.
std::string StringsFileText(const std::vector<StringsForm>& forms);

// ExportStrings: writes the file through a temporary file beside it, replacing an old one
// whole. False for an empty path (nothing happens); throws XmlError when the file cannot be
// written.
bool ExportStrings(const std::vector<StringsForm>& forms, const std::filesystem::path& path);

}  // namespace qx
