// SPDX-License-Identifier: GPL-3.0-or-later
// Scans one folder as the file list does and prints how many files it found and how long the
// scan took, so that bench/huge_inputs.sh can measure a folder of a million files under
// /usr/bin/time.
//
//     scan_folder FOLDER [MASKS [recursive]]
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "batch/FileList.h"
#include "batch/FolderScan.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s FOLDER [MASKS [recursive]]\n", argv[0]);
        return 2;
    }
    const char* masks = argc > 2 ? argv[2] : "*.*";
    const bool recursive = argc > 3 && std::strcmp(argv[3], "recursive") == 0;
    qx::TFiles files;
    std::vector<std::string> history;
    const auto start = std::chrono::steady_clock::now();
    qx::ScanFolder(argv[1], masks, recursive, files, history);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d files in %.0f ms\n", files.Count(), ms);
    return 0;
}
