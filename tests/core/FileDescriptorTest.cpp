#include "platform/FileDescriptor.hpp"
#include "support/Checks.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ambertrove {
namespace {

using test::errnoOf;
using test::TempDir;

bool isOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

int openFile(const TempDir& dir, const std::string& name) {
    const int fd = ::open((dir / name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    EXPECT_GE(fd, 0) << name;
    return fd;
}

TEST(FileDescriptor, MoveAssignmentClosesTheFormerAndTakesTheOther) {
    TempDir dir;
    const int first = openFile(dir, "a");
    const int second = openFile(dir, "b");
    FileDescriptor kept(first);
    FileDescriptor given(second);

    kept = std::move(given);
    EXPECT_FALSE(isOpen(first));
    EXPECT_EQ(kept.get(), second);
    EXPECT_TRUE(isOpen(second));
    EXPECT_FALSE(given.valid()); // NOLINT(bugprone-use-after-move): a moved-from holder holds nothing

    // Assigning to itself keeps the descriptor open.
    FileDescriptor& same = kept;
    kept = std::move(same);
    EXPECT_EQ(kept.get(), second);
    EXPECT_TRUE(isOpen(second));
}

TEST(FileDescriptor, ResetAndDestructionClose) {
    TempDir dir;
    const int first = openFile(dir, "a");
    const int second = openFile(dir, "b");
    {
        FileDescriptor held(first);
        FileDescriptor reset(second);
        reset.reset();
        EXPECT_FALSE(reset.valid());
        EXPECT_FALSE(isOpen(second));
        reset.reset(); // holding nothing, nothing to close
        EXPECT_TRUE(isOpen(first));
    }
    EXPECT_FALSE(isOpen(first));

    const FileDescriptor empty;
    EXPECT_FALSE(empty.valid());
}

TEST(FileDescriptor, CloseReportsAFailedClose) {
    TempDir dir;
    const int fd = openFile(dir, "a");
    FileDescriptor held(fd);
    held.close();
    EXPECT_FALSE(held.valid());
    EXPECT_FALSE(isOpen(fd));

    // Closing a number that names no open descriptor fails with EBADF.
    FileDescriptor stale(fd);
    EXPECT_EQ(errnoOf([&] { stale.close(); }), EBADF);
}

} // namespace
} // namespace ambertrove
