#include "AppModelFixture.hpp"

#include "cleanup/CleanupJson.hpp"
#include "controller/StateFiles.hpp"
#include "platform/AtomicFile.hpp"
#include "support/Checks.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ambertrove {
namespace {

using test::AppModelFixture;

CleanupEntry entry(const std::string& path) {
    CleanupEntry e;
    e.node.path = path;
    e.node.parent = "/home/user";
    e.node.allocatedSize = 4096;
    e.stagedAt = Date::fromUnixSeconds(1'700'000'000);
    e.reason = "Caches & logs";
    return e;
}

TrashReceipt receipt(const std::string& path) {
    TrashReceipt r;
    r.originalPath = path;
    r.trashPath = "files/x";
    r.date = Date::fromUnixSeconds(1'700'000'100);
    r.bytes = 4096;
    return r;
}

BackupReceipt backup(const std::string& directory) {
    BackupReceipt b;
    b.id = Uuid::random();
    b.directory = directory;
    b.createdAt = Date::fromUnixSeconds(1'700'000'200);
    b.items.push_back(BackupItem{"/home/user/a", "Files/0001/a", 10});
    return b;
}

class StateFilesTest : public AppModelFixture {
protected:
    void write(std::string_view name, const std::string& contents) {
        folder.makeFile("state/" + std::string(name), contents);
    }
    [[nodiscard]] std::string statePath(std::string_view name) const {
        return stateDirectory() + "/" + std::string(name);
    }
    [[nodiscard]] QStringList errorLines() const {
        return model->error() ? model->error()->split(u'\n') : QStringList();
    }
};

TEST_F(StateFilesTest, TheThreeFilesAreReadIntoTheQueueReceiptsAndBackups) {
    const std::vector<CleanupEntry> queue{entry("/home/user/.cache/a"), entry("/home/user/b")};
    const std::vector<TrashReceipt> receipts{receipt("/home/user/c"), receipt("/home/user/d")};
    const std::vector<BackupReceipt> backups{backup("/media/b1")};
    write(StateFiles::kQueueFile, CleanupJson::encodeEntries(queue));
    write(StateFiles::kReceiptsFile, CleanupJson::encodeReceipts(receipts));
    write(StateFiles::kBackupsFile, BackupReceipt::encodeList(backups));

    const AppModel& m = make();
    EXPECT_EQ(m.queue(), queue);
    EXPECT_EQ(m.receipts(), receipts);
    EXPECT_EQ(m.backups(), backups);
    EXPECT_EQ(m.error(), std::nullopt);
}

TEST_F(StateFilesTest, MissingFilesAndAMissingFolderAreNoError) {
    const AppModel& m = make();
    EXPECT_TRUE(m.queue().empty());
    EXPECT_TRUE(m.receipts().empty());
    EXPECT_TRUE(m.backups().empty());
    EXPECT_EQ(m.error(), std::nullopt);
    // Construction creates nothing.
    EXPECT_FALSE(test::exists(stateDirectory()));
}

TEST_F(StateFilesTest, SavedStateIsReadableOnlyByItsOwner) {
    const mode_t previousMask = ::umask(022);
    StateFiles files(stateDirectory(), clock);
    files.save({entry("/home/user/a")}, {receipt("/home/user/b")}, {backup("/media/b1")});
    ::umask(previousMask);

    struct stat status {};
    ASSERT_EQ(::stat(stateDirectory().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    for (const auto name : {StateFiles::kQueueFile, StateFiles::kReceiptsFile, StateFiles::kBackupsFile}) {
        ASSERT_EQ(::stat(statePath(name).c_str(), &status), 0) << name;
        EXPECT_EQ(status.st_mode & 0777, 0600u) << name;
    }
}

TEST_F(StateFilesTest, EachFailedSourceGivesOneLineInTheFixedOrder) {
    struct Case {
        const char* name;
        bool catalog, queue, receipts, backups;
        std::vector<QString> prefixes;
    };
    const std::vector<Case> cases{
        {"receipts only", false, false, true, false, {"Trash history: "}},
        {"catalog and queue", true, true, false, false, {"Saved scans: ", "Cleanup queue: "}},
        {"queue and backups", false, true, false, true, {"Cleanup queue: ", "Backups: "}},
        {"all four",
         true,
         true,
         true,
         true,
         {"Saved scans: ", "Cleanup queue: ", "Trash history: ", "Backups: "}},
        {"none", false, false, false, false, {}},
    };
    const std::vector<TrashReceipt> good{receipt("/home/user/kept")};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::removeTree(stateDirectory());
        folder.makeDir("state");
        // A valid file where the case has no failure, so that it is seen to load beside the failures.
        write(StateFiles::kReceiptsFile, c.receipts ? "[{\"id\": 3}]" : CleanupJson::encodeReceipts(good));
        if (c.queue)
            write(StateFiles::kQueueFile, "not JSON");
        if (c.backups)
            write(StateFiles::kBackupsFile, "{}");
        services.snapshotCatalog = [fail = c.catalog](const SnapshotStore&) -> SnapshotCatalog {
            if (fail)
                throw std::system_error(EACCES, std::generic_category());
            return {};
        };

        const AppModel& m = make();
        const QStringList lines = errorLines();
        ASSERT_EQ(std::size_t(lines.size()), c.prefixes.size())
            << m.error().value_or(QString()).toStdString();
        for (std::size_t i = 0; i < c.prefixes.size(); ++i)
            EXPECT_TRUE(lines[qsizetype(i)].startsWith(c.prefixes[i])) << lines[qsizetype(i)].toStdString();
        if (c.prefixes.empty()) {
            EXPECT_EQ(m.error(), std::nullopt);
        }
        if (c.catalog) {
            EXPECT_EQ(lines[0], QStringLiteral("Saved scans: Permission denied."));
        }
        EXPECT_EQ(m.receipts(), c.receipts ? std::vector<TrashReceipt>{} : good);
        EXPECT_TRUE(m.queue().empty());
        EXPECT_TRUE(m.backups().empty());
    }
}

TEST_F(StateFilesTest, AnUnreadableFileIsKeptAsideAndSurvivesTheNextSave) {
    const std::string damaged = "[{\"id\": \"8C1F\", \"originalPath\": \"/home/user/Thesis";
    write(StateFiles::kReceiptsFile, damaged);

    const AppModel& m = make();
    const std::string asideName = "receipts.json.unreadable-20240301-120000";
    EXPECT_EQ(m.error(),
              QStringLiteral("Trash history: The data couldn’t be read because it isn’t in the correct "
                             "format. The file was kept as “receipts.json.unreadable-20240301-120000”."));
    EXPECT_FALSE(test::exists(statePath(StateFiles::kReceiptsFile)));
    EXPECT_EQ(readWholeFile(statePath(asideName)), damaged);

    // The cleanup state is written as it changes: the damaged file's bytes are untouched.
    StateFiles files(stateDirectory(), clock);
    const std::vector<TrashReceipt> fresh{receipt("/home/user/new")};
    files.save({}, fresh, {});
    EXPECT_EQ(readWholeFile(statePath(asideName)), damaged);
    EXPECT_EQ(CleanupJson::decodeReceipts(readWholeFile(statePath(StateFiles::kReceiptsFile))), fresh);
    EXPECT_EQ(readWholeFile(statePath(StateFiles::kQueueFile)), "[]");
    EXPECT_EQ(readWholeFile(statePath(StateFiles::kBackupsFile)), "[]");
}

TEST_F(StateFilesTest, ASecondFailureInTheSameSecondTakesANewNameBesideTheFirst) {
    write(StateFiles::kBackupsFile, "first");
    make();
    write(StateFiles::kBackupsFile, "second");
    const AppModel& m = make();
    EXPECT_TRUE(m.error()->endsWith(QStringLiteral("“backups.json.unreadable-20240301-120000-2”.")))
        << m.error()->toStdString();
    EXPECT_EQ(readWholeFile(statePath("backups.json.unreadable-20240301-120000")), "first");
    EXPECT_EQ(readWholeFile(statePath("backups.json.unreadable-20240301-120000-2")), "second");
}

TEST_F(StateFilesTest, AFolderInPlaceOfAFileIsSetAsideLikeAnUnreadableFile) {
    folder.makeFile("state/cleanup.json/inside", "kept");
    const AppModel& m = make();
    ASSERT_TRUE(m.error());
    EXPECT_TRUE(m.error()->startsWith(QStringLiteral("Cleanup queue: Is a directory.")))
        << m.error()->toStdString();
    EXPECT_EQ(readWholeFile(statePath("cleanup.json.unreadable-20240301-120000/inside")), "kept");
}

TEST_F(StateFilesTest, AFileThatCannotBeSetAsideIsNeverWrittenOver) {
    // Every name it could be moved to is taken.
    const std::string base = "receipts.json.unreadable-20240301-120000";
    write(base, "");
    for (int i = 2; i <= 1000; ++i)
        write(base + "-" + std::to_string(i), "");
    write(StateFiles::kReceiptsFile, "damaged");

    StateFiles files(stateDirectory(), clock);
    const StateFiles::Loaded loaded = files.load();
    ASSERT_EQ(loaded.messages.size(), 1);
    EXPECT_EQ(
        loaded.messages[0].toStdString(),
        "Trash history: The data couldn’t be read because it isn’t in the correct format. The file could "
        "not be set aside (File exists.) and will not be written over.");

    const std::vector<CleanupEntry> queue{entry("/home/user/a")};
    try {
        files.save(queue, {receipt("/home/user/b")}, {});
        ADD_FAILURE() << "The save reported no problem.";
    } catch (const AmbertroveError& error) {
        EXPECT_EQ(error.message(),
                  "“receipts.json” could not be read and could not be set aside, so it was not "
                  "written.");
    }
    EXPECT_EQ(readWholeFile(statePath(StateFiles::kReceiptsFile)), "damaged");
    EXPECT_EQ(CleanupJson::decodeEntries(readWholeFile(statePath(StateFiles::kQueueFile))), queue);

    // Once a name is free, the next save sets the file aside and writes the list.
    ::unlink(statePath(base + "-500").c_str());
    files.save(queue, {receipt("/home/user/b")}, {});
    EXPECT_EQ(readWholeFile(statePath(base + "-500")), "damaged");
    EXPECT_EQ(CleanupJson::decodeReceipts(readWholeFile(statePath(StateFiles::kReceiptsFile))).size(), 1u);
}

} // namespace
} // namespace ambertrove
