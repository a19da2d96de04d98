// SPDX-License-Identifier: GPL-3.0-or-later
// The window as a module the executable loads only when it opens the window, so that batch
// mode starts without loading Qt's widgets, the X libraries and what they bring (most of a
// short batch run's time went into loading and relocating them).
#include "ui/main/WindowModule.h"

#include "ui/main/App.h"

extern "C" __attribute__((visibility("default"))) int qx_run_window(int argc, char** argv) {
    return qx::RunInteractive(argc, argv);
}
