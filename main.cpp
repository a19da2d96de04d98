// SPDX-License-Identifier: GPL-3.0-or-later
// Entry point: exactly two arguments run batch mode, which needs no display (no QApplication,
// no X server); any other number starts the window, which lives in a module loaded only then.
#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "batch/BatchMode.h"
#include "batch/StderrMessages.h"
#include "storage/ProgramFolder.h"

#if defined(QX_WINDOW_MODULE) && __has_include("ui/main/WindowModule.h")
#include "ui/main/WindowModule.h"
#define QX_RUN_WINDOW 1
#endif

namespace {

#ifdef QX_RUN_WINDOW
// The module is beside the program in its build folder (and beside a copy that brought it), and
// in its own folder under the library folder when installed: found from the program's folder
// first, so that a staged install works, then where the build installs it, for a copy of an
// installed program.
int RunWindow(int argc, char** argv) {
    const std::filesystem::path folder = qx::ProgramFolder();
    std::string problem;
    for (const std::filesystem::path& module :
         {folder / QX_WINDOW_MODULE,
          (folder / QX_WINDOW_MODULE_FOLDER / QX_WINDOW_MODULE).lexically_normal(),
          std::filesystem::path(QX_WINDOW_MODULE_INSTALLED) / QX_WINDOW_MODULE}) {
        std::error_code error;
        if (!std::filesystem::exists(module, error)) {
            if (problem.empty()) problem = module.string() + " is missing";
            continue;
        }
        // Never closed: the window runs until the program ends, and exit handlers live in it.
        void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
        const auto run = handle != nullptr
                             ? reinterpret_cast<QxRunWindow>(dlsym(handle, QX_WINDOW_ENTRY))
                             : nullptr;
        if (run != nullptr) return run(argc, argv);
        const char* why = dlerror();
        problem = why != nullptr ? why : module.string() + ": " QX_WINDOW_ENTRY " is missing";
    }
    std::fprintf(stderr, "qxquendro: the window cannot start: %s\n", problem.c_str());
    return 2;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3) {
        qx::StderrMessages messages;
        return qx::RunBatch(argv[1], argv[2], qx::ProgramFolder(), messages);
    }
#ifdef QX_RUN_WINDOW
    return RunWindow(argc, argv);
#else
    std::fputs("qxquendro: built without the window; batch mode: qxquendro FILELIST LISTFILE\n",
               stderr);
    return 2;
#endif
}
