#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "model/DiskNode.hpp"
#include "model/FileCategory.hpp"
#include "model/Formatting.hpp"
#include "scan/CancellationFlag.hpp"
#include "scan/ScanNavigation.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <system_error>

using namespace ambertrove;

TEST(PathText, NamesAndExtensions) {
    struct Case {
        const char* path;
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {"/Users/ann/Movies/", "Movies", ""},
        {"/", "/", ""},
        {"", "/", ""},
        {"///", "/", ""},
        {"notes.txt", "notes.txt", "txt"},
        {"/a/archive.tar.gz", "archive.tar.gz", "gz"},
        {"/home/.zshrc", ".zshrc", ""},
        {"/README", "README", ""},
        {"/a/name.", "name.", ""},
        {"/a/..b", "..b", "b"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathText::name(c.path), c.name) << c.path;
        EXPECT_EQ(PathText::pathExtension(c.path), c.extension) << c.path;
    }
}

TEST(FileCategory, ClassifiesByLowerCasedExtension) {
    struct Case {
        const char* path;
        FileCategory category;
    };
    const Case cases[] = {
        {"/x/Movie.MOV", FileCategory::video},
        {"/x/.mp4", FileCategory::other},
        {"/x/song.flac", FileCategory::audio},
        {"/x/shot.HEIC", FileCategory::image},
        {"/x/paper.numbers", FileCategory::document},
        {"/x/lib.dylib", FileCategory::developer},
        {"/x/main.c", FileCategory::developer},
        {"/x/a.tar.xz", FileCategory::archive},
        {"/x/noext", FileCategory::other},
        {"/x/file.verylongextension", FileCategory::other},
        {"/x/Assets.xcassets", FileCategory::developer},
        {"/x/Assets.XCASSETS", FileCategory::developer},
        {"/x/a.jso", FileCategory::other},
        {"/x/a.jsonx", FileCategory::other},
        {"/x/a.cc", FileCategory::other},
        {"/x/a.xcassetss", FileCategory::other},
        {"/x/a.Numbers", FileCategory::document},
        {"/x/a.7Z", FileCategory::archive},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classifyFile(c.path), c.category) << c.path;
    // A byte the names of files never hold does not make a listed extension of a longer one.
    EXPECT_EQ(classifyFile(std::string_view("/x/a.c\0", 7)), FileCategory::other);
}

TEST(FileCategory, RawValuesAndDisplayNames) {
    EXPECT_EQ(rawValue(FileCategory::image), "Images");
    EXPECT_EQ(displayName(FileCategory::image), "Image");
    EXPECT_EQ(rawValue(FileCategory::archive), "Archives");
    for (FileCategory c : kAllFileCategories)
        EXPECT_EQ(fileCategoryFromRawValue(rawValue(c)), c);
    EXPECT_FALSE(fileCategoryFromRawValue("images").has_value());
    EXPECT_FALSE(fileCategoryFromRawValue("Image").has_value());
}

TEST(Formatting, BytesInDecimalUnits) {
    struct Case {
        std::int64_t bytes;
        const char* text;
    };
    const Case cases[] = {
        {0, "Zero KB"},
        {1, "1 byte"},
        {2, "2 bytes"},
        {999, "999 bytes"},
        {1000, "1 KB"},
        {1499, "1 KB"},
        {1500, "2 KB"},
        {999'499, "999 KB"},
        {999'999, "1 MB"},
        {1'000'000, "1 MB"},
        {1'500'000, "1.5 MB"},
        {1'230'000'000, "1.23 GB"},
        {1'200'000'000, "1.2 GB"},
        {999'999'999, "1 GB"},
        {4'000'000'000'000, "4 TB"},
        {-1'500'000, "-1.5 MB"},
        {-1, "-1 byte"},
        {INT64_MAX, "9.22 EB"},
        {INT64_MIN, "-9.22 EB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formattedBytes(c.bytes), c.text) << c.bytes;
}

TEST(Formatting, Shares) {
    EXPECT_EQ(formattedShare(5, 0), "—");
    EXPECT_EQ(formattedShare(0, 0), "—");
    EXPECT_EQ(formattedShare(0, 10), "0%");
    EXPECT_EQ(formattedShare(1, 10'000), "<0.1%");
    EXPECT_EQ(formattedShare(1, 1'000), "0.1%");
    EXPECT_EQ(formattedShare(1, 8), "12.5%");
    EXPECT_EQ(formattedShare(8, 8), "100.0%");
    EXPECT_EQ(formattedShare(3, 2), "150.0%");
}

namespace {

FileStatus fileStatus(std::int64_t size, std::int64_t blocks, bool compressed) {
    FileStatus s;
    s.mode = S_IFREG | 0644;
    s.size = size;
    s.blocks = blocks;
    s.isCompressed = compressed;
    s.birthSeconds = 1'000'000'000;
    s.modifiedSeconds = 1'000'000'100;
    s.accessedSeconds = 1'000'000'200;
    return s;
}

} // namespace

TEST(DiskNode, OwnFiguresFromStatus) {
    struct Case {
        FileStatus status;
        std::optional<std::int64_t> override;
        std::int64_t logical, allocated, savings, files;
    };
    FileStatus folder = fileStatus(4096, 8, false);
    folder.mode = S_IFDIR | 0755;
    FileStatus link = fileStatus(11, 0, false);
    link.mode = S_IFLNK | 0777;
    const Case cases[] = {
        {fileStatus(10, 8, false), std::nullopt, 10, 4096, 0, 1},
        {fileStatus(10, 0, true), std::nullopt, 10, 0, 10, 1},
        {fileStatus(10, 8, true), std::nullopt, 10, 4096, 0, 1}, // never negative savings
        {fileStatus(4096, 8, false), 0, 4096, 0, 0, 1},          // a later hard link
        {fileStatus(-5, -1, false), std::nullopt, 0, 0, 0, 1},
        {folder, std::nullopt, 0, 0, 0, 0},
        {link, std::nullopt, 11, 0, 0, 1},
    };
    for (const Case& c : cases) {
        const DiskNode n("/x/f", "/x", FileIdentity::fromStatus(c.status), c.status, c.override);
        EXPECT_EQ(n.logicalSize, c.logical);
        EXPECT_EQ(n.ownLogicalSize, c.logical);
        EXPECT_EQ(n.allocatedSize, c.allocated);
        EXPECT_EQ(n.ownAllocatedSize, c.allocated);
        EXPECT_EQ(n.compressedSavings, c.savings);
        EXPECT_EQ(n.fileCount, c.files);
        EXPECT_EQ(n.folderCount, 0);
        EXPECT_TRUE(n.children.empty());
    }
    const DiskNode n("/x/f.txt", "/x", FileIdentity{}, fileStatus(1, 1, false));
    EXPECT_EQ(n.created, Date::fromUnixSeconds(1'000'000'000));
    EXPECT_EQ(n.modified.sinceReferenceDate, 1'000'000'100.0 - 978'307'200.0);
    EXPECT_EQ(n.name(), "f.txt");
    EXPECT_EQ(n.category(), FileCategory::document);
    EXPECT_EQ(n.bytes(true), 1);
    EXPECT_EQ(n.bytes(false), 512);
}

TEST(FileIdentity, KeyAndRead) {
    FileIdentity id;
    id.device = -1;
    id.inode = 42;
    EXPECT_EQ(id.key(), "-1:42");

    test::TempDir dir;
    const std::string file = dir.makeFile("a.txt", "hello");
    const auto [identity, status] = FileIdentity::read(file);
    struct stat st {};
    ASSERT_EQ(::lstat(file.c_str(), &st), 0);
    EXPECT_EQ(identity.inode, st.st_ino);
    EXPECT_EQ(identity.size, 5);
    EXPECT_EQ(identity.modifiedSeconds, st.st_mtim.tv_sec);
    EXPECT_EQ(identity.modifiedNanos, st.st_mtim.tv_nsec);
    EXPECT_EQ(identity.linkCount, 1);
    EXPECT_EQ(static_cast<dev_t>(static_cast<std::uint32_t>(identity.device)), st.st_dev);
    EXPECT_EQ(status.blocks, st.st_blocks);

    // A link is read as itself, never followed.
    const std::string link = dir.makeSymlink("link", file);
    EXPECT_TRUE(FileIdentity::read(link).second.isSymbolicLink());
    EXPECT_FALSE(identity == FileIdentity::read(link).first);

    try {
        (void)FileIdentity::read(dir / "missing");
        FAIL() << "expected an error";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), std::errc::no_such_file_or_directory);
    }
}

TEST(JobTypes, CancellationFlagNavigationAndErrors) {
    CancellationFlag flag;
    EXPECT_NO_THROW(flag.check());
    EXPECT_FALSE(flag.isCancelled());
    flag.cancel();
    flag.cancel();
    EXPECT_TRUE(flag.isCancelled());
    EXPECT_THROW(flag.check(), CancellationError);
    EXPECT_THROW(flag.check(), CancellationError);

    ScanNavigation navigation;
    EXPECT_FALSE(navigation.requestedPath().has_value());
    navigation.focus("/a");
    navigation.focus("/b");
    EXPECT_EQ(navigation.requestedPath(), "/b");

    const AmbertroveError error("Choose a folder or mounted volume to scan.");
    EXPECT_STREQ(error.what(), "Choose a folder or mounted volume to scan.");
}
