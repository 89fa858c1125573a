#include "platform/FileTree.hpp"
#include "platform/AtomicFile.hpp"
#include "support/Checks.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace ambertrove {
namespace {

using test::errnoOf;
using test::exists;
using test::listing;
using test::TempDir;

TEST(FileTree, RemovingAFolderNeverReachesThroughItsLinks) {
    TempDir dir;
    dir.makeFile("outside/keep.txt", "keep");
    dir.makeFile("work/a/b/c.txt", "c");
    dir.makeSymlink("work/a/to-outside", dir / "outside");
    dir.makeSymlink("work/to-keep", dir / "outside/keep.txt");
    dir.makeFile("work/locked/inner/file.txt", "x");
    ::chmod((dir / "work/locked/inner").c_str(), 0);
    ::chmod((dir / "work/locked").c_str(), 0555);

    EXPECT_TRUE(FileTree::removeFolder(dir / "work"));

    EXPECT_FALSE(exists(dir / "work"));
    EXPECT_EQ(listing(dir.path()), std::vector<std::string>{"outside"});
    EXPECT_EQ(readWholeFile(dir / "outside/keep.txt"), "keep");
}

TEST(FileTree, OnlyFoldersAreRemoved) {
    TempDir dir;
    dir.makeFile("outside/keep.txt", "keep");
    dir.makeSymlink("link-to-folder", dir / "outside");
    dir.makeFile("file.txt", "file");
    EXPECT_FALSE(FileTree::removeFolder(dir / "link-to-folder"));
    EXPECT_FALSE(FileTree::removeFolder(dir / "file.txt"));
    EXPECT_FALSE(FileTree::removeFolder(dir / "missing"));
    EXPECT_EQ(listing(dir.path()), (std::vector<std::string>{"file.txt", "link-to-folder", "outside"}));
    EXPECT_EQ(readWholeFile(dir / "outside/keep.txt"), "keep");
}

TEST(FileTree, ACopyNeverReplacesAnything) {
    TempDir dir;
    dir.makeFile("source.txt", "new");
    dir.makeFile("taken.txt", "old");
    dir.makeDir("folder");
    dir.makeFile("folder-taken/old.txt", "old");
    EXPECT_EQ(errnoOf([&] { FileTree::copy(dir / "source.txt", dir / "taken.txt"); }), EEXIST);
    EXPECT_EQ(errnoOf([&] { FileTree::copy(dir / "folder", dir / "folder-taken"); }), EEXIST);
    EXPECT_EQ(errnoOf([&] { FileTree::copy(dir / "missing", dir / "copy"); }), ENOENT);
    EXPECT_EQ(readWholeFile(dir / "taken.txt"), "old");
    EXPECT_EQ(listing(dir / "folder-taken"), std::vector<std::string>{"old.txt"});
}

TEST(FileTree, CopiesLinksAsLinksAndKeepsFolderTimes) {
    TempDir dir;
    dir.makeFile("tree/sub/file.txt", "content");
    dir.makeSymlink("tree/link", "sub/file.txt");
    dir.setTimes("tree/sub", 1'400'000'000, 1'400'000'000);
    FileTree::copy(dir / "tree", dir / "copy");
    EXPECT_EQ(FileTree::linkTarget(dir / "copy/link"), "sub/file.txt");
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "copy/link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::lstat((dir / "copy/sub").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1'400'000'000);
    EXPECT_EQ(readWholeFile(dir / "copy/sub/file.txt"), "content");
    EXPECT_EQ(errnoOf([&] { (void)FileTree::linkTarget(dir / "copy/sub/file.txt"); }), EINVAL);
}

} // namespace
} // namespace ambertrove
