#include "analysis/ScanPresentation.hpp"
#include "analysis/FileTypeTotals.hpp"
#include "analysis/NodeDisplay.hpp"
#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "support/CaseName.hpp"
#include "support/ModelFixture.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace ambertrove;
using test::ModelFixture;

namespace {

using Sizes = std::map<FileCategory, std::int64_t>;

NodeData linkData(std::int64_t logical) {
    NodeData d;
    d.isSymbolicLink = true;
    d.identity.mode = S_IFLNK | 0777;
    d.logicalSize = d.ownLogicalSize = logical;
    d.fileCount = 1;
    return d;
}

// /r
//   top.mp4 (1000 / 4096)            lies directly in the focus
//   Media/ (a.mp4 500/4096, deep/b.png 200/4096, deep/c.txt 10/4096, clip.jpg -> link of 30 bytes)
//   Empty/ (Inner/ with nothing)
//   Code/ (main.cpp 300/8192)
ScanResult sample() {
    ModelFixture f("/r");
    f.file("/r/top.mp4", 1000, 4096);
    f.folder("/r/Media");
    f.file("/r/Media/a.mp4", 500, 4096);
    f.folder("/r/Media/deep");
    f.file("/r/Media/deep/b.png", 200, 4096);
    f.file("/r/Media/deep/c.txt", 10, 4096);
    f.add("/r/Media/clip.jpg", linkData(30));
    f.folder("/r/Empty");
    f.folder("/r/Empty/Inner");
    f.folder("/r/Code");
    f.file("/r/Code/main.cpp", 300, 8192);
    return f.finish();
}

std::stop_token stopped() {
    std::stop_source source;
    source.request_stop();
    return source.get_token();
}

} // namespace

TEST(ScanPresentation, DistributionCountsFilesByCategoryAndTopFolder) {
    const ScanResult scan = sample();
    const auto d = ScanPresentation::distribution(scan, "/r");
    EXPECT_EQ(d.total.allocated, (Sizes{{FileCategory::video, 8192},
                                        {FileCategory::image, 4096}, // the link has no blocks of its own
                                        {FileCategory::document, 4096},
                                        {FileCategory::developer, 8192}}));
    EXPECT_EQ(d.total.logical, (Sizes{{FileCategory::video, 1500},
                                      {FileCategory::image, 230},
                                      {FileCategory::document, 10},
                                      {FileCategory::developer, 300}}));
    ASSERT_EQ(d.folders.size(), 2u); // Empty has no file below it
    const FileTypeTotals& media = d.folders.at("/r/Media");
    EXPECT_EQ(media.logical,
              (Sizes{{FileCategory::video, 500}, {FileCategory::image, 230}, {FileCategory::document, 10}}));
    EXPECT_EQ(
        media.allocated,
        (Sizes{{FileCategory::video, 4096}, {FileCategory::image, 4096}, {FileCategory::document, 4096}}));
    EXPECT_EQ(d.folders.at("/r/Code").values(true), (Sizes{{FileCategory::developer, 300}}));
    EXPECT_EQ(d.folders.at("/r/Code").values(false), (Sizes{{FileCategory::developer, 8192}}));
}

TEST(ScanPresentation, DistributionOfAnInnerFolderAndOfNothing) {
    const ScanResult scan = sample();
    const auto media = ScanPresentation::distribution(scan, "/r/Media");
    EXPECT_EQ(media.total.logical,
              (Sizes{{FileCategory::video, 500}, {FileCategory::image, 230}, {FileCategory::document, 10}}));
    ASSERT_EQ(media.folders.size(), 1u);
    EXPECT_EQ(media.folders.at("/r/Media/deep").logical,
              (Sizes{{FileCategory::image, 200}, {FileCategory::document, 10}}));

    for (const char* focus : {"/missing", "/r/top.mp4", "/r/Empty", "/r/Empty/Inner"}) {
        const auto d = ScanPresentation::distribution(scan, focus);
        EXPECT_TRUE(d.total.empty()) << focus;
        EXPECT_TRUE(d.total.logical.empty()) << focus;
        EXPECT_TRUE(d.folders.empty()) << focus;
    }
}

TEST(ScanPresentation, StoppedTaskThrowsInsteadOfGivingEmptyTotals) {
    const ScanResult scan = sample();
    EXPECT_THROW((void)ScanPresentation::distribution(scan, "/r", stopped()), CancellationError);
    EXPECT_THROW((void)ScanPresentation::make(scan, {}, stopped()), CancellationError);
}

TEST(ScanPresentation, MakeBundlesTotalsAndQuickWins) {
    ModelFixture f("/home/ann");
    f.folder("/home/ann/Downloads");
    f.folder("/home/ann/Downloads/proj");
    f.folder("/home/ann/Downloads/proj/node_modules");
    f.file("/home/ann/Downloads/proj/node_modules/a.js", 10, 4096);
    f.file("/home/ann/Downloads/song.mp3", 100, 8192);
    f.folder("/home/ann/work");
    f.folder("/home/ann/work/node_modules");
    f.file("/home/ann/work/node_modules/b.js", 20, 16384);
    f.folder("/home/ann/.local");
    f.folder("/home/ann/.local/share");
    f.folder("/home/ann/.local/share/Trash");
    f.file("/home/ann/.local/share/Trash/old.txt", 5, 32768);
    const ScanResult scan = f.finish();
    const ScanPresentation p =
        ScanPresentation::make(scan, QuickWin::TrashFolders::forUser("/home/ann", 1000));
    const auto d = ScanPresentation::distribution(scan, "/home/ann");
    EXPECT_EQ(p.types, d.total);
    EXPECT_EQ(p.folderTypes, d.folders);
    EXPECT_EQ(p.folderTypes.size(), 3u);
    EXPECT_EQ(p.quickWins, QuickWin::discover(scan, QuickWin::TrashFolders::forUser("/home/ann", 1000)));
    ASSERT_EQ(p.quickWins.size(), 12u);
    EXPECT_EQ(p.quickWins[static_cast<std::size_t>(QuickWinKind::dependencies)].nodes.size(), 2u);
    EXPECT_EQ(p.quickWins[static_cast<std::size_t>(QuickWinKind::trash)].bytes(), 32768);
    // Downloads (4096 + 8192) holds one node_modules; the other (16384) and the Trash (32768) stand apart.
    EXPECT_EQ(p.uniqueQuickWinBytes, 4096 + 8192 + 16384 + 32768);
}

TEST(ScanPresentation, ScanOfOnlyItsRoot) {
    ModelFixture f("/empty");
    const ScanPresentation p = ScanPresentation::make(f.finish());
    EXPECT_TRUE(p.types.empty());
    EXPECT_TRUE(p.folderTypes.empty());
    ASSERT_EQ(p.quickWins.size(), 12u);
    for (const QuickWin& win : p.quickWins)
        EXPECT_TRUE(win.nodes.empty());
    EXPECT_EQ(p.uniqueQuickWinBytes, 0);
}

TEST(FileTypeTotals, AddsOwnSizesAndKeepsKeysTogether) {
    FileTypeTotals t;
    EXPECT_TRUE(t.empty());
    DiskNode folder;
    folder.isDirectory = true;
    folder.logicalSize = folder.allocatedSize = 1000; // subtree sizes never count
    t.add(folder, FileCategory::other);
    DiskNode file;
    file.logicalSize = file.ownLogicalSize = 7;
    file.allocatedSize = file.ownAllocatedSize = 4096;
    t.add(file, FileCategory::other);
    t.add(file, FileCategory::audio);
    EXPECT_EQ(t.values(false), (Sizes{{FileCategory::audio, 4096}, {FileCategory::other, 4096}}));
    EXPECT_EQ(t.values(true), (Sizes{{FileCategory::audio, 7}, {FileCategory::other, 7}}));
}

// ---- how a node is shown ----------------------------------------------------------------------

struct KindCase {
    const char* path;
    bool isDirectory;
    bool isSymbolicLink;
    const char* kind;
    bool package;
};

class NodeKind : public ::testing::TestWithParam<KindCase> {};

TEST_P(NodeKind, Case) {
    const KindCase& c = GetParam();
    DiskNode n;
    n.path = c.path;
    n.isDirectory = c.isDirectory;
    n.isSymbolicLink = c.isSymbolicLink;
    EXPECT_EQ(NodeDisplay::kindName(n), c.kind) << c.path;
    EXPECT_EQ(NodeDisplay::isPackage(n), c.package) << c.path;

    // The same through a scan's table.
    ModelFixture f("/r");
    NodeData d;
    d.isDirectory = c.isDirectory;
    d.isSymbolicLink = c.isSymbolicLink;
    const NodeIndex i = f.add("/r/" + std::string(PathText::name(c.path)), d);
    const ScanResult scan = f.finish();
    EXPECT_EQ(NodeDisplay::kindName(scan.nodes, i), c.kind) << c.path;
    EXPECT_EQ(NodeDisplay::isPackage(scan.nodes, i), c.package) << c.path;
}

const std::vector<KindCase> kKindCases = {
    {"/a/Tool.app", false, true, "Symbolic link", false},
    {"/a/Photos Library.photoslibrary", true, false, "Application", true},
    {"/a/Big.APP", true, false, "Application", true},
    {"/a/Kit.framework", true, false, "Application", true},
    {"/a/Proj.xcodeproj", true, false, "Application", true},
    {"/a/Notes.rtfd", true, false, "Application", true},
    {"/a/Driver.kext", true, false, "Application", true},
    {"/a/plain", true, false, "Folder", false},
    {"/a/.app", true, false, "Folder", false},
    {"/a/archive.zip", true, false, "Folder", false},
    {"/a/photo.jpeg", false, false, "Image", false},
    {"/a/Tool.app", false, false, "Other", false},
    {"/a/movie.MOV", false, false, "Video", false},
    {"/a/song.m4a", false, false, "Audio", false},
    {"/a/main.rs", false, false, "Developer", false},
    {"/a/x.7z", false, false, "Archive", false},
    {"/a/notes.md", false, false, "Document", false},
};

// Rows are named after the entry's name and what it is, e.g. Tool_app_link.
INSTANTIATE_TEST_SUITE_P(Table, NodeKind, ::testing::ValuesIn(kKindCases), [](const auto& row) {
    const KindCase& c = row.param;
    const char* entry = c.isSymbolicLink ? "link" : c.isDirectory ? "folder" : "file";
    return test::pathName(std::string(PathText::name(c.path)) + " " + entry);
});

TEST(NodeDisplay, ItemCount) {
    const ScanResult scan = sample();
    const DiskNode media = *scan.nodes.node("/r/Media");
    EXPECT_EQ(NodeDisplay::itemCount(media), 5); // a.mp4, deep, b.png, c.txt, clip.jpg
    EXPECT_EQ(NodeDisplay::itemCount(scan.nodes, scan.nodes.find("/r/Media")), 5);
    EXPECT_EQ(NodeDisplay::itemCount(*scan.nodes.node("/r/Empty/Inner")), 0);
    EXPECT_EQ(NodeDisplay::itemCount(*scan.nodes.node("/r/top.mp4")), 1);
    EXPECT_EQ(NodeDisplay::itemCount(*scan.nodes.node("/r/Media/clip.jpg")), 1);
}
