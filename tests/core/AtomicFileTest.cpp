#include "platform/AtomicFile.hpp"
#include "base/AmbertroveError.hpp"
#include "platform/FileDescriptor.hpp"
#include "support/Checks.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace ambertrove {
namespace {

using test::errnoOf;
using test::TempDir;

TEST(AtomicFile, ContainingFolder) {
    struct Case {
        const char* path;
        const char* folder;
    };
    const Case cases[] = {
        {"/data/report.csv", "/data"}, {"/a/b/c", "/a/b"},        {"/report.csv", "/"},
        {"report.csv", "."},           {"sub/report.csv", "sub"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(containingFolder(c.path), c.folder) << c.path;
}

TEST(AtomicFile, WriteAllWritesEveryByte) {
    TempDir dir;
    // A few megabytes of varied bytes, not a multiple of a page, read back whole.
    std::string bytes(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 % 251);
    const std::string path = dir / "out.bin";
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    ASSERT_TRUE(fd.valid());
    writeAll(fd.get(), bytes);
    writeAll(fd.get(), {});
    fd.close();
    EXPECT_EQ(readWholeFile(path), bytes);
}

TEST(AtomicFile, WriteAllThrowsTheErrorOfAFailedWrite) {
    TempDir dir;
    const std::string path = dir.makeFile("read-only.txt", "x");
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(fd.valid());
    EXPECT_EQ(errnoOf([&] { writeAll(fd.get(), "more"); }), EBADF);
    EXPECT_EQ(readWholeFile(path), "x");
}

TEST(AtomicFile, PrivateFilesAreOwnerOnlyFromTheirFirstByte) {
    TempDir dir;
    const test::ScopedUmask mask(022);
    const std::string path = dir / "state.json";
    // While it is written, the temporary file is already private.
    int temporaryMode = -1;
    writeFileAtomically(
        path,
        [&](std::FILE* file) {
            for (const std::string& name : test::listing(dir.path()))
                if (name != "state.json")
                    temporaryMode = test::permissionsOf(dir / name);
            std::fputs("{}", file);
        },
        kPrivateFileMode);
    EXPECT_EQ(temporaryMode, 0600);
    EXPECT_EQ(test::permissionsOf(path), 0600);
    // A file that an older version left open to others is replaced by a private one.
    const std::string old = dir.makeFile("old.json", "[]");
    ::chmod(old.c_str(), 0644);
    writeFileAtomically(old, "[1]", kPrivateFileMode);
    EXPECT_EQ(test::permissionsOf(old), 0600);
    EXPECT_EQ(readWholeFile(old), "[1]");
    // Other files keep the usual mode.
    writeFileAtomically(dir / "export.csv", "a,b\n");
    EXPECT_EQ(test::permissionsOf(dir / "export.csv"), 0644);
}

TEST(AtomicFile, StoredFilesAreOnlyRegularFilesWithinTheirLimit) {
    TempDir dir;
    dir.makeFile("plain", std::string(1000, 'p'));
    dir.makeFile("over", std::string(1001, 'o'));
    dir.makeDir("folder");
    dir.makeSymlink("link", dir / "plain");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const bool devices = ::mknod((dir / "device").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir / "socket";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    struct Case {
        const char* name;
        std::string expected; // the contents' size, or the sentence or errno of the refusal
    };
    const std::vector<Case> cases = {
        {"plain", "1000 bytes"},
        {"over", "It is larger than 1 kB, the most such a file may hold."},
        {"missing", "errno " + std::to_string(ENOENT)},
        {"folder", "errno " + std::to_string(EISDIR)},
        {"link", "It is a symbolic link, not a file."},
        // A named pipe nobody writes to never holds the reader.
        {"pipe", "It is a named pipe, not a file."},
        {"socket", "It is a socket, not a file."},
        {"device", devices ? "It is a device, not a file." : ""},
    };
    const FileDescriptor folder(::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const Case& c : cases) {
        if (c.expected.empty())
            continue; // making a device node needs root
        std::string outcome;
        try {
            outcome = std::to_string(readStoredFile(folder.get(), c.name, 1000).size()) + " bytes";
        } catch (const AmbertroveError& e) {
            outcome = e.message();
        } catch (const std::system_error& e) {
            outcome = "errno " + std::to_string(e.code().value());
        }
        EXPECT_EQ(outcome, c.expected) << c.name;
    }
    ::close(listening);
}

TEST(AtomicFile, SyncFolderIgnoresAMissingFolder) {
    TempDir dir;
    EXPECT_NO_THROW(syncFolder(dir.path()));
    EXPECT_NO_THROW(syncFolder(dir / "missing"));
}

} // namespace
} // namespace ambertrove
