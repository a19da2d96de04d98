// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Owns a POSIX file descriptor: closed on every path out of the scope that opened it, also when
// an exception passes through.

#include <unistd.h>

#include <utility>

namespace qx {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Close(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }

    // Closes now; the result of close(2) (0, or -1 with errno set), 0 when nothing was open.
    int Close() {
        if (fd_ < 0) return 0;
        return ::close(std::exchange(fd_, -1));
    }

private:
    int fd_ = -1;
};

}  // namespace qx
