// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one function of the window's module that the executable looks up when it opens the window
// (the module's file name and folder come from the build).

#define QX_WINDOW_ENTRY "qx_run_window"

extern "C" {
// Runs the window until it is closed and gives the exit status (qx::RunInteractive).
int qx_run_window(int argc, char** argv);
using QxRunWindow = int (*)(int argc, char** argv);
}
