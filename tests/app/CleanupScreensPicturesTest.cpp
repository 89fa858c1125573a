// Pictures of the Cleanup screen, the review sheet and the Duplicates result in the light and the dark
// appearance, written to the build folder's pictures to be looked at, with a few pixels checked.
#include "ScreenTestSupport.hpp"

#include "screens/CleanupQueueList.hpp"
#include "screens/CleanupReviewSheet.hpp"
#include "screens/CleanupView.hpp"
#include "screens/DuplicateGroupCard.hpp"
#include "screens/DuplicatesView.hpp"
#include "theme/Paper.hpp"

#include <QAbstractButton>
#include <QScrollArea>

namespace ambertrove::test {
namespace {

class CleanupScreensPicturesTest : public ScreenTest {
protected:
    // The section's screen in both appearances, saved as NAME-light and NAME-dark.
    template <typename T> void grabSection(AppSection section, const QString& name) {
        for (const bool dark : {false, true}) {
            model->setDark(dark);
            settle();
            T& view = showSection<T>(section);
            settle();
            const QImage picture = settledPicture(view);
            savePicture(picture, name + (dark ? QStringLiteral("-dark") : QStringLiteral("-light")));
            // The window's ground shows at the screen's top left corner.
            EXPECT_TRUE(near(picture.pixelColor(2, 2), Paper::background().resolved(dark)))
                << name.toStdString();
        }
        model->setDark(false);
        settle();
    }
};

TEST_F(CleanupScreensPicturesTest, TheCleanupScreen) {
    makeScreenModel();
    makeWindow();
    const std::string plain = folder.makeFile("Downloads/installer-2024-final-really-final.iso", "p");
    const std::string kept = folder.makeFile("Pictures/holiday copy.jpg", "c");
    const std::string directory = folder.makeDir("Projects/old-build-cache");
    CleanupEntry duplicate = entryAt(kept, 2'400'000);
    duplicate.retainedCopies.emplace(folder.path() + "/Pictures/holiday.jpg", FileIdentity{});
    model->setQueue({entryAt("/usr/share/fonts/truetype", 12'000'000, true), duplicate,
                     entryAt(plain, 5'300'000'000), entryAt(directory, 812'000'000, true)});
    BackupReceipt backup;
    backup.id = Uuid::random();
    backup.directory = folder.path() + "/Backups/Ambertrove Backup 2023-11-14 5f2c1a0b";
    backup.createdAt = Date::fromUnixSeconds(1'700'000'000);
    model->setBackups({backup});
    TrashReceipt receipt;
    receipt.originalPath = folder.path() + "/Downloads/old-archive.zip";
    receipt.date = Date::fromUnixSeconds(1'700'000'100);
    receipt.bytes = 3'000'000;
    TrashReceipt other = receipt;
    other.id = Uuid::random();
    other.originalPath = folder.path() + "/Movies/screen recording.mov";
    other.bytes = 912'000'000;
    model->setReceipts({receipt, other});
    model->setSection(AppSection::cleanup);
    settle();
    runner->runAll();
    settle();
    grabSection<CleanupView>(AppSection::cleanup, QStringLiteral("cleanup-screen"));

    // The running panel over an empty queue.
    model->setQueue({});
    model->setReceipts({});
    model->setBackups({});
    grabSection<CleanupView>(AppSection::cleanup, QStringLiteral("cleanup-screen-empty"));
    model->setCleaning(true);
    model->setCleanupProgress(CleanupProgress{CleanupPhase::backingUp, "Backing up 2 of 4 items…"});
    grabSection<CleanupView>(AppSection::cleanup, QStringLiteral("cleanup-screen-running"));
}

TEST_F(CleanupScreensPicturesTest, TheReviewSheet) {
    makeScreenModel();
    makeWindow();
    const auto grabSheet = [&](std::shared_ptr<const CleanupRequest> request, const QString& name) {
        for (const bool dark : {false, true}) {
            model->setCleanupRequest(nullptr);
            model->setDark(dark);
            settle();
            model->setCleanupRequest(request);
            settle();
            auto* sheet = qobject_cast<CleanupReviewSheet*>(content().reviewSheet());
            ASSERT_NE(sheet, nullptr);
            const QImage picture = settledPicture(*sheet);
            savePicture(picture, name + (dark ? QStringLiteral("-dark") : QStringLiteral("-light")));
            EXPECT_TRUE(near(picture.pixelColor(4, 4), Paper::background().resolved(dark)));
        }
        model->setCleanupRequest(nullptr);
        model->setDark(false);
        settle();
    };
    auto request = std::make_shared<CleanupRequest>();
    const char* names[] = {"installer-2024-final-really-final-version-with-a-very-long-name.iso",
                           "holiday copy.jpg",
                           "old-build-cache",
                           "screen recording 2023-11-14 at 10.13.20.mov",
                           "node_modules",
                           "archive.zip",
                           "notes.txt"};
    std::int64_t size = 5'300'000'000;
    for (const char* name : names) {
        request->entries.push_back(entryAt(folder.path() + "/Downloads/" + name, size));
        size /= 7;
    }
    grabSheet(request, QStringLiteral("review-sheet"));

    auto blocked = std::make_shared<CleanupRequest>(*request);
    blocked->entries.push_back(entryAt("/usr/share/fonts", 12'000'000, true));
    blocked->blocked.emplace("/usr/share/fonts",
                             "Protected system or account data — Ambertrove cannot move this to Trash.");
    grabSheet(blocked, QStringLiteral("review-sheet-blocked"));
}

TEST_F(CleanupScreensPicturesTest, TheDuplicatesResult) {
    makeScreenModel();
    makeWindow();
    const std::string root = folder.makeDir("Photos");
    for (int g = 0; g < 4; ++g) {
        const std::string content(std::size_t(200'000 * (4 - g)), char('a' + g));
        folder.makeFile("Photos/IMG_" + std::to_string(4000 + g) + ".jpg", content);
        folder.makeFile("Photos/Imported/IMG_" + std::to_string(4000 + g) + " (1).jpg", content);
        if (g == 0)
            folder.makeFile("Photos/Imported/Again/IMG_4000 copy.jpg", content);
    }
    finishScan(root);
    model->setDuplicateMinimumMB(0);
    model->findDuplicates();
    runner->runAll();
    settle();
    ASSERT_NE(model->duplicateReport(), nullptr);
    auto report = std::make_shared<DuplicateReport>(*model->duplicateReport());
    report->skipped = 1;
    report->issues = {root + "/locked.jpg: Permission denied"};
    model->setDuplicateReport(report);
    const DuplicateGroup& first = report->groups[0];
    model->setDuplicateKeepers({{first.id, first.files[1].path}});
    grabSection<DuplicatesView>(AppSection::duplicates, QStringLiteral("duplicates-result"));

    // The whole list, down to the comparison details, opened.
    DuplicatesView& view = showSection<DuplicatesView>(AppSection::duplicates);
    view.detailsToggle()->click();
    settle();
    savePicture(settledPicture(*view.scrollArea()->widget()), QStringLiteral("duplicates-result-all-light"));
}

} // namespace
} // namespace ambertrove::test
