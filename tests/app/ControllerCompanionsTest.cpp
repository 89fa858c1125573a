#include "controller/AppSection.hpp"
#include "controller/AppTheme.hpp"
#include "controller/ChartSymbol.hpp"
#include "controller/ColorMode.hpp"
#include "controller/ErrorText.hpp"
#include "controller/StorageView.hpp"

#include "base/AmbertroveError.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

namespace ambertrove {
namespace {

template <typename E> std::vector<QString> texts() {
    std::vector<QString> result;
    for (E value : allCases<E>())
        result.push_back(rawValue(value));
    return result;
}

TEST(ControllerCompanionsTest, EnumerationsListTheirCasesInOrderWithTheirTexts) {
    EXPECT_EQ(texts<AppSection>(), (std::vector<QString>{"Explore", "Duplicates", "Applications", "Monitor",
                                                         "Snapshots", "Cleanup"}));
    EXPECT_EQ(texts<StorageView>(),
              (std::vector<QString>{"Treemap", "Folders", "Sunburst", "Flame", "Bubbles", "Mind Map",
                                    "Top Sizes", "Age Map", "Table"}));
    EXPECT_EQ(texts<ColorMode>(), (std::vector<QString>{"By folder", "By type", "By age"}));
    EXPECT_EQ(texts<AppTheme>(), (std::vector<QString>{"Paper", "Linen", "Sage", "Mist", "Slate"}));
}

TEST(ControllerCompanionsTest, AValueIsMadeFromItsExactTextOnly) {
    EXPECT_EQ(fromRawValue<StorageView>(QStringLiteral("Mind Map")), StorageView::mindMap);
    EXPECT_EQ(fromRawValue<ColorMode>(QStringLiteral("By age")), ColorMode::age);
    EXPECT_EQ(fromRawValue<AppSection>(QStringLiteral("Cleanup")), AppSection::cleanup);
    for (const char* text : {"mind map", "MindMap", " Mind Map", "Mind Map ", ""})
        EXPECT_EQ(fromRawValue<StorageView>(QString::fromUtf8(text)), std::nullopt) << text;
    EXPECT_EQ(fromRawValue<AppTheme>(QStringLiteral("slate")), std::nullopt);
}

TEST(ControllerCompanionsTest, GraphViewsAndViewsThatFollowTheColourMode) {
    struct Case {
        StorageView view;
        bool graph;
        bool color;
    };
    const std::vector<Case> cases{
        {StorageView::treemap, true, true},   {StorageView::folders, false, true},
        {StorageView::sunburst, true, true},  {StorageView::flame, true, true},
        {StorageView::bubbles, true, true},   {StorageView::mindMap, true, true},
        {StorageView::topSizes, false, true}, {StorageView::ageMap, false, false},
        {StorageView::table, false, false},
    };
    ASSERT_EQ(cases.size(), allCases<StorageView>().size());
    for (const Case& c : cases) {
        EXPECT_EQ(isGraph(c.view), c.graph) << rawValue(c.view).toStdString();
        EXPECT_EQ(supportsColor(c.view), c.color) << rawValue(c.view).toStdString();
    }
}

TEST(ControllerCompanionsTest, ChartSymbolsByKindOfNode) {
    struct Case {
        const char* path;
        bool directory;
        const char* symbol;
    };
    const std::vector<Case> cases{
        {"/Applications/Editor.app", true, "shippingbox.fill"},
        {"/home/user/Projects", true, "folder.fill"},
        {"/home/user/notes.txt", false, "doc.text.fill"},
        {"/home/user/Movie.MKV", false, "film.fill"},
        {"/home/user/song.mp3", false, "music.note"},
        {"/home/user/photo.jpg", false, "photo.fill"},
        {"/home/user/main.cpp", false, "chevron.left.forwardslash.chevron.right"},
        {"/home/user/backup.tar.gz", false, "doc.zipper"},
        {"/home/user/data.bin", false, "doc.fill"},
        {"/home/user/Editor.app", false, "doc.fill"},
        {"/home/user/README", false, "doc.fill"},
    };
    for (const Case& c : cases) {
        DiskNode node;
        node.path = c.path;
        node.isDirectory = c.directory;
        EXPECT_EQ(chartSymbol(node).toStdString(), c.symbol) << c.path;
    }
}

TEST(ControllerCompanionsTest, ErrorDescriptionsAreSentences) {
    EXPECT_EQ(errorDescription(AmbertroveError("The folder is gone.")),
              QStringLiteral("The folder is gone."));
    EXPECT_EQ(errorDescription(std::system_error(ENOENT, std::generic_category())),
              QStringLiteral("No such file or directory."));
    EXPECT_EQ(errorDescription(std::runtime_error("disk full")), QStringLiteral("Disk full."));
    EXPECT_EQ(errorDescription(std::runtime_error("  ")), QStringLiteral("An unknown error occurred."));
}

} // namespace
} // namespace ambertrove
