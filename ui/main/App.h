// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The interactive program: creates the application and its windows, runs until the main
// window is closed, and gives the exit status.

namespace qx {

int RunInteractive(int argc, char** argv);

}  // namespace qx
