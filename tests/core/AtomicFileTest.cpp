#include "platform/AtomicFile.hpp"
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

TEST(AtomicFile, SyncFolderIgnoresAMissingFolder) {
    TempDir dir;
    EXPECT_NO_THROW(syncFolder(dir.path()));
    EXPECT_NO_THROW(syncFolder(dir / "missing"));
}

} // namespace
} // namespace ambertrove
