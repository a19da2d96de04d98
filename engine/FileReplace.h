// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Replacing a whole file so that a full disk or a crash never leaves half of it: rule lists and
// the settings file are saved this way.

#include <filesystem>
#include <string_view>

namespace qx {

// Writes `bytes` to `path` through a temporary file in the same folder and a rename. An
// existing target keeps its permission bits; a target without write permission is refused.
// A symbolic link is followed: the file it points to is replaced, the link stays. The owner is
// kept where the process may set it; other hard links of the target keep the old content.
// False (and the target untouched) on any failure; `error`, when given, receives the errno
// that stopped it (0 on success).
bool WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes,
                        int* error = nullptr);

}  // namespace qx
