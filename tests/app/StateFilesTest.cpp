#include "AppModelFixture.hpp"

#include "cleanup/CleanupJson.hpp"
#include "controller/ManualJobRunner.hpp"
#include "controller/StateFiles.hpp"
#include "platform/AtomicFile.hpp"
#include "support/Checks.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <system_error>
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

// ---- A state folder of anyone else's, and whatever is planted in a file's place ----

// What the listing of a folder holds, as names and contents, to tell that nothing was written into it.
std::map<std::string, std::string> snapshotOf(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const std::string& name : test::listing(folder))
        files[name] = readWholeFile(folder + "/" + name);
    return files;
}

TEST_F(StateFilesTest, AStateFolderThatIsNotTheUsersOwnIsNeitherReadNorWritten) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a folder to another user needs root";
    const uid_t other = ::geteuid() + 4242;
    const std::string kept = CleanupJson::encodeReceipts({receipt("/home/user/kept")});
    struct Case {
        const char* name;
        // Makes what stands at the state folder's path; returns the folder whose contents must not change.
        std::function<std::string(test::TempDir&, const std::string& state)> make;
        std::string why; // after the folder's name; empty when it is accepted
    };
    const auto withReceipts = [&kept](test::TempDir& dir, const std::string& relative, mode_t mode) {
        const std::string path = dir.makeDir(relative);
        dir.makeFile(relative + "/receipts.json", kept);
        ::chmod(path.c_str(), mode);
        return path;
    };
    const std::vector<Case> cases = {
        {"the user's own",
         [&](test::TempDir& d, const std::string&) { return withReceipts(d, "state", 0700); }, ""},
        {"owned by another user",
         [&](test::TempDir& d, const std::string& state) {
             withReceipts(d, "state", 0700);
             EXPECT_EQ(::chown(state.c_str(), other, ::getegid()), 0);
             return state;
         },
         " is owned by another user."},
        {"open to everyone",
         [&](test::TempDir& d, const std::string&) { return withReceipts(d, "state", 0777); },
         " can be changed by other users."},
        {"open to its group",
         [&](test::TempDir& d, const std::string&) { return withReceipts(d, "state", 0770); },
         " can be changed by other users."},
        {"a link to a folder of the user's",
         [&](test::TempDir& d, const std::string&) {
             const std::string real = withReceipts(d, "real", 0700);
             d.makeSymlink("state", real);
             return real;
         },
         " is a symbolic link, not a folder."},
        {"a link to a folder of another user",
         [&](test::TempDir& d, const std::string&) {
             const std::string theirs = withReceipts(d, "theirs", 0777);
             EXPECT_EQ(::chown(theirs.c_str(), other, ::getegid()), 0);
             d.makeSymlink("state", theirs);
             return theirs;
         },
         " is a symbolic link, not a folder."},
        {"a file",
         [](test::TempDir& d, const std::string&) {
             d.makeFile("state", "a file where the folder should be");
             return d.path();
         },
         " is not a folder."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model.reset();
        test::TempDir dir;
        const std::string state = dir / "state";
        const std::string watched = c.make(dir, state);
        const std::map<std::string, std::string> before = snapshotOf(watched);
        AppEnvironment env(SnapshotStore::inStateFolder(state), state, false, preferences);
        env.clock = clock;
        auto manual = std::make_unique<ManualJobRunner>();
        runner = manual.get();
        env.runner = std::move(manual);
        model = std::make_unique<AppModel>(std::move(env));
        AppModel& m = *model;

        if (c.why.empty()) {
            EXPECT_EQ(m.error(), std::nullopt);
            EXPECT_EQ(m.receipts().size(), 1u);
            continue;
        }
        const QString refusal = QStringLiteral("“") + QString::fromStdString(state) + QStringLiteral("”") +
                                QString::fromStdString(c.why);
        EXPECT_EQ(errorLines(),
                  (QStringList{QStringLiteral("Saved scans: ") + refusal,
                               QStringLiteral("Cleanup state: ") + refusal +
                                   QStringLiteral(" The cleanup queue, Trash history and backups are kept in "
                                                  "memory only until Ambertrove quits.")}));
        EXPECT_TRUE(m.receipts().empty());
        EXPECT_TRUE(m.snapshots().empty());

        // The application goes on in memory; nothing reaches the folder.
        m.setReceipts({receipt("/home/user/new")});
        m.persistState();
        m.setError(std::nullopt);
        settle();
        EXPECT_EQ(m.error(), std::nullopt);
        EXPECT_EQ(snapshotOf(watched), before);
        model.reset();
        EXPECT_EQ(snapshotOf(watched), before);
    }
}

// What can stand in a stored file's place, made at `path`.
enum class Planted { namedPipe, folder, device, oversized };

void plant(Planted kind, const std::string& path, std::uint64_t limit) {
    switch (kind) {
    case Planted::namedPipe:
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        break;
    case Planted::folder:
        ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
        break;
    case Planted::device:
        ASSERT_EQ(::mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0); // what /dev/null is
        break;
    case Planted::oversized: {
        // One byte over the limit, without writing it: a file with a hole.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t(limit + 1)), 0);
        ::close(fd);
        break;
    }
    }
}

TEST_F(StateFilesTest, WhateverStandsInAStoredFilesPlaceNeverHoldsTheStartAndIsToldLineByLine) {
    const bool root = ::geteuid() == 0;
    struct Kind {
        Planted kind;
        const char* name;
        std::string said; // what the line says of it
    };
    const std::vector<Kind> kinds = {
        {Planted::namedPipe, "a named pipe", "It is a named pipe, not a file."},
        {Planted::folder, "a folder", "Is a directory."},
        {Planted::device, "a device", "It is a device, not a file."},
        {Planted::oversized, "a file too large", "It is larger than LIMIT, the most such a file may hold."},
    };
    struct File {
        std::string_view name;
        const char* prefix;
        std::uint64_t limit;
        const char* limitText;
    };
    const std::vector<File> files = {
        {StateFiles::kQueueFile, "Cleanup queue: ", StateFiles::kQueueLimit, "1 GB"},
        {StateFiles::kReceiptsFile, "Trash history: ", StateFiles::kReceiptsLimit, "256 MB"},
        {StateFiles::kBackupsFile, "Backups: ", StateFiles::kBackupsLimit, "256 MB"},
    };
    const std::string metaName = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F.meta";
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        if (k.kind == Planted::device && !root)
            continue; // making a device node needs root
        model.reset();
        test::removeTree(stateDirectory());
        test::removeTree(snapshotDirectory());
        folder.makeDir("state");
        folder.makeDir("Snapshots");
        for (const File& f : files)
            plant(k.kind, statePath(f.name), f.limit);
        plant(k.kind, snapshotDirectory() + "/" + metaName, SnapshotStore::kRecordLimit);

        // Made on a thread of its own, so that a start that hangs fails the test instead of holding it.
        AppEnvironment env = environment();
        std::future<std::pair<QStringList, std::vector<SnapshotCatalogIssue>>> made =
            std::async(std::launch::async, [env = std::move(env)]() mutable {
                AppModel m(std::move(env));
                return std::pair{m.error().value_or(QString()).split(u'\n'), m.snapshotIssues()};
            });
        if (made.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            ADD_FAILURE() << "the controller did not start";
            // Lets a reader that waits on a named pipe go, so that the thread can end.
            for (const File& f : files)
                ::close(::open(statePath(f.name).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
            ::close(
                ::open((snapshotDirectory() + "/" + metaName).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        }
        const auto [lines, issues] = made.get();

        ASSERT_EQ(lines.size(), qsizetype(files.size())) << lines.join(u'\n').toStdString();
        for (std::size_t i = 0; i < files.size(); ++i) {
            std::string said = k.said;
            if (const auto at = said.find("LIMIT"); at != std::string::npos)
                said.replace(at, 5, files[i].limitText);
            EXPECT_EQ(lines[qsizetype(i)].toStdString(), files[i].prefix + said + " The file was kept as “" +
                                                             std::string(files[i].name) +
                                                             ".unreadable-20240301-120000”.");
        }
        const std::string issue = k.kind == Planted::folder ? "Is a directory" : std::string(k.said);
        std::string expected = issue;
        if (const auto at = expected.find("LIMIT"); at != std::string::npos)
            expected.replace(at, 5, "64 kB");
        EXPECT_EQ(issues,
                  (std::vector<SnapshotCatalogIssue>{{snapshotDirectory() + "/" + metaName, expected}}));
    }
}

} // namespace
} // namespace ambertrove
