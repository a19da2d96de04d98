// SPDX-License-Identifier: GPL-3.0-or-later
// Entry point: exactly two arguments run batch mode without any display; otherwise the window.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argv;
    if (argc == 3) {
        std::fputs("qxquendro: batch mode is not built yet\n", stderr);
        return 2;
    }
    std::fputs("qxquendro: the window is not built yet\n", stderr);
    return 0;
}
