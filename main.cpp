// SPDX-License-Identifier: GPL-3.0-or-later
// Entry point: exactly two arguments run batch mode, which needs no display (no QApplication,
// no X server); any other number starts the window.
#include <cstdio>

#include "batch/BatchMode.h"
#include "batch/StderrMessages.h"
#include "storage/ProgramFolder.h"

#if defined(QX_HAVE_WINDOW) && __has_include("ui/main/App.h")
#include "ui/main/App.h"
#define QX_RUN_WINDOW 1
#endif

int main(int argc, char** argv) {
    if (argc == 3) {
        qx::StderrMessages messages;
        return qx::RunBatch(argv[1], argv[2], qx::ProgramFolder(), messages);
    }
#ifdef QX_RUN_WINDOW
    return qx::RunInteractive(argc, argv);
#else
    std::fputs("qxquendro: built without the window; batch mode: qxquendro FILELIST LISTFILE\n",
               stderr);
    return 2;
#endif
}
