// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/FileIo.h"
#include "engine/UniqueFd.h"
#include "tests/engine/CorrectionDoubles.h"

namespace qx {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

TEST(RewriteInPlace, GrowsAndShrinksTheFile) {
    TempFolder folder;
    const auto path = folder / "f";
    for (const std::string& replacement :
         {std::string(70000, 'g'), std::string("s"), std::string()}) {
        SCOPED_TRACE(replacement.size());
        const std::string original = "original content";
        WriteBytes(path, original);
        UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
        ASSERT_TRUE(fd.Valid());
        const RewriteResult result = RewriteInPlace(fd.Get(), original, replacement);
        EXPECT_EQ(result.status, RewriteResult::Status::Written);
        EXPECT_EQ(ReadBytes(path), replacement);
    }
}

struct LimitRow {
    const char* name;
    bool reserveFirst;  // off: the write itself fails half-way and the original is put back
    bool ignoreSignal;
};

TEST(RewriteInPlace, AFailedWritePutsTheOriginalBack) {
    const LimitRow rows[] = {
        {"reserved first, signal ignored", true, true},
        {"reserved first, signal default", true, false},
        {"half-written, signal ignored", false, true},
        {"half-written, signal default", false, false},
    };
    for (const LimitRow& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        const auto path = folder / "f";
        const std::string original(10000, 'o');
        const std::string replacement(30000, 'n');
        WriteBytes(path, original);

        const pid_t child = ::fork();
        if (child == 0) {
            const rlim_t limit = original.size() + 100;
            const rlimit size{limit, limit};
            if (::setrlimit(RLIMIT_FSIZE, &size) != 0) ::_exit(100);
            if (row.ignoreSignal) ::signal(SIGXFSZ, SIG_IGN);
            UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
            const RewriteResult result =
                RewriteInPlace(fd.Get(), original, replacement, {.reserveFirst = row.reserveFirst});
            const bool ok =
                result.status == RewriteResult::Status::Restored && result.error == EFBIG;
            ::_exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_EQ(ReadBytes(path), original);
    }
}

TEST(RewriteInPlace, LeavesNoFileSizeSignalBehind) {
    // The signal raised by the limit is taken back before the mask is restored; a pending one
    // would kill the process as soon as it is unblocked.
    TempFolder folder;
    const auto path = folder / "f";
    WriteBytes(path, "abc");
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit size{8, 8};
        ::setrlimit(RLIMIT_FSIZE, &size);
        UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
        RewriteInPlace(fd.Get(), "abc", "0123456789", {.reserveFirst = false});
        sigset_t pending;
        sigemptyset(&pending);
        sigpending(&pending);
        ::_exit(sigismember(&pending, SIGXFSZ) == 1 ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(path), "abc");
}

}  // namespace
}  // namespace qx
