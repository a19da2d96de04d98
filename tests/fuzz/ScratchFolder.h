// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A folder of this process for the files a fuzz target reads and writes (the readers under test
// take paths), in shared memory where there is some so that a run costs no disk writes. Made
// at the first call, removed when the process ends.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace qx::fuzz {

class ScratchFolder {
public:
    static const ScratchFolder& Get() {
        static const ScratchFolder folder;
        return folder;
    }

    std::filesystem::path File(std::string_view name) const { return path_ / name; }

    // Writes the bytes to the named file, replacing what was there.
    std::filesystem::path Write(std::string_view name, std::string_view bytes) const {
        const std::filesystem::path file = File(name);
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

    ~ScratchFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

private:
    ScratchFolder() {
        std::error_code error;
        const std::filesystem::path shm("/dev/shm");
        const std::filesystem::path base = std::filesystem::is_directory(shm, error)
                                               ? shm
                                               : std::filesystem::temp_directory_path();
        path_ = base / ("qx-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path_);
    }

    std::filesystem::path path_;
};

}  // namespace qx::fuzz
