// Pictures of the explorer with the folder grid, the top sizes and a quick win's candidates, in both
// appearances, to look at; with a few pixels checked.
#include "ExplorerTestSupport.hpp"

#include "explore/FolderGridView.hpp"
#include "explore/QuickWinsView.hpp"
#include "explore/TopSizesView.hpp"

namespace ambertrove::test {
namespace {

// A home-like folder: sub-folders of several kinds of files, loose files, a downloads folder.
ScanResult workFolder() {
    const std::string root = "/home/user/Work";
    ModelFixture tree(root);
    tree.folder(root + "/Photos", 1'650'000'000);
    for (int i = 0; i < 6; ++i)
        tree.file(root + "/Photos/holiday-" + std::to_string(i) + ".jpg", 4'000'000 + i * 900'000,
                  4'100'000 + i * 900'000, 1'650'000'000);
    tree.file(root + "/Photos/notes.txt", 12'000, 12'288, 1'650'000'000);
    tree.file(root + "/Photos/clip.mp4", 9'000'000, 9'003'008, 1'650'000'000);
    tree.file(root + "/Photos/song.mp3", 3'000'000, 3'002'368, 1'650'000'000);
    tree.file(root + "/Photos/raw.zip", 2'000'000, 2'002'944, 1'650'000'000);
    tree.folder(root + "/Music", 1'600'000'000);
    for (int i = 0; i < 4; ++i)
        tree.file(root + "/Music/track-" + std::to_string(i) + ".mp3", 6'000'000, 6'004'736, 1'600'000'000);
    tree.folder(root + "/Code", 1'700'000'000);
    tree.folder(root + "/Code/node_modules", 1'700'000'000);
    tree.file(root + "/Code/node_modules/index.js", 800'000, 802'816, 1'700'000'000);
    tree.file(root + "/Code/main.cpp", 40'000, 40'960, 1'700'000'000);
    tree.file(root + "/Code/data.json", 300'000, 303'104, 1'700'000'000);
    tree.folder(root + "/Downloads", 1'690'000'000);
    tree.file(root + "/Downloads/installer.dmg", 15'000'000, 15'003'648, 1'690'000'000);
    tree.file(root + "/Downloads/Tom & Jerry.mov", 7'000'000, 7'004'160, 1'690'000'000);
    tree.file(root + "/Downloads/<b>report.pdf", 900'000, 901'120, 1'690'000'000);
    tree.folder(root + "/A folder with a rather long name that will not fit", 1'690'000'000);
    tree.file(root + "/A folder with a rather long name that will not fit/a.txt", 1'000, 4'096,
              1'690'000'000);
    tree.folder(root + "/Empty", 1'690'000'000);
    tree.file(root + "/backup.tar.gz", 25'000'000, 25'001'984, 1'580'000'000);
    tree.file(root + "/Tom & Jerry.mkv", 11'000'000, 11'001'856, 1'690'000'000);
    tree.file(root + "/<b>bold.txt", 2'000, 4'096, 1'700'000'000);
    tree.file(root + "/.hidden", 500, 4'096, 1'700'000'000);
    return tree.finish();
}

class ExplorerPicturesTest : public ExplorerTest {
protected:
    void pictures(const QString& name) {
        for (const bool dark : {false, true}) {
            model->setDark(dark);
            settle();
            runQueries();
            savePicture(*window, name + (dark ? QStringLiteral("-dark") : QStringLiteral("-light")));
        }
        model->setDark(false);
        settle();
    }
};

TEST_F(ExplorerPicturesTest, TheFolderGridTopSizesAndAQuickWinInBothAppearances) {
    makeWindow();
    show(workFolder());
    model->setStorageView(StorageView::folders);
    model->setSelection("/home/user/Work/Music");
    settle();
    ASSERT_NE(body<FolderGridView>(), nullptr);
    EXPECT_TRUE(body<FolderGridView>()->showsCurrentResult());
    pictures(QStringLiteral("explorer-folders"));

    model->setStorageView(StorageView::topSizes);
    settle();
    runQueries();
    ASSERT_NE(body<TopSizesView>(), nullptr);
    EXPECT_TRUE(body<TopSizesView>()->showsCurrentResult());
    pictures(QStringLiteral("explorer-top-sizes"));

    // The last ranking stays, dimmed, while the next is made (a theme change would make the view anew).
    runQueries();
    model->setMinimumBytes(10'000'000);
    model->setShowHidden(false);
    settle();
    EXPECT_FALSE(body<TopSizesView>()->showsCurrentResult());
    savePicture(*window, QStringLiteral("explorer-top-sizes-updating-light"));
    model->clearFilters();
    runQueries();

    model->setActiveQuickWin(QuickWinKind::downloads);
    settle();
    ASSERT_NE(body<QuickWinsView>(), nullptr);
    pictures(QStringLiteral("explorer-quick-win"));
}

} // namespace
} // namespace ambertrove::test
