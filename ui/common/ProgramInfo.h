// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the program says about itself: name, versions, addresses. One constant each.

namespace qx::info {

inline constexpr const char* kProductName = "qxQuendro";
// Shown in the main window's caption after start-up ("QX Quendro 1.0").
inline constexpr const char* kProductVersion = "1.0";
// Shown in the About window.
inline constexpr const char* kFileVersion = "1.0.0.0";
// Without a scheme: it is shown as it is, and the scheme is put in front to open it.
inline constexpr const char* kWebSite = "www.example.org/qxquendro";
inline constexpr const char* kWebScheme = "http://";
inline constexpr const char* kMail = "qxquendro@example.org";
inline constexpr const char* kCopyright = "© 2026 Разработчики QX Quendro";
// Caption of the program's own error and information boxes.
inline constexpr const char* kBoxCaption = "qxQuendro";

}  // namespace qx::info
