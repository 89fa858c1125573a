#include "base/PathText.hpp"
#include "cleanup/CleanupService.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/FreedesktopTrash.hpp"
#include "support/CleanupFixture.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace ambertrove {
namespace {

using test::exists;
using test::listing;
using test::TrashFixture;
using ::testing::MatchesRegex;

// Items in the home folder and on another disk (whose top folder is "volume"), moved in one batch, with
// every flush and every move written down as it happens.
struct BatchFixture : TrashFixture {
    std::string volume = dir.makeDir("volume");
    std::string volumeTrash = volume + "/.Trash-" + std::to_string(::getuid());
    std::vector<std::string> paths{dir.makeFile("home/docs/a.txt", "a"),
                                   dir.makeFile("volume/cat.jpg", "meow"), dir.makeDir("home/docs/box")};
    std::vector<std::string> events;
    // Called with each event before it happens; a flush answers what it returns, when not 0.
    std::function<int(const std::string&)> onEvent;

    [[nodiscard]] FreedesktopTrash::Locations locations() {
        FreedesktopTrash::Locations where{trashFolder, ::getuid(),
                                          [this](const std::string&) { return volume; },
                                          [this](const std::string& path) {
                                              return !path.starts_with(volume);
                                          }};
        where.beforeMove = [this](const std::string& path) {
            note("move " + std::string(PathText::name(path)));
        };
        where.sync = [this](int fd) {
            if (const int refused = note("flush " + nameOf(fd)); refused != 0)
                return refused;
            return ::fsync(fd) == 0 ? 0 : errno;
        };
        return where;
    }
    [[nodiscard]] std::vector<Trash::Moved> moveAll() {
        std::vector<Trash::Move> moves;
        for (const std::string& path : paths)
            moves.push_back({path, {}});
        return FreedesktopTrash(locations()).moveAllToTrash(moves);
    }

    // Puts back every item moved by moveAll() in one batch.
    [[nodiscard]] std::vector<std::exception_ptr> restoreAll(const std::vector<Trash::Moved>& moved) {
        std::vector<Trash::Restore> restores;
        for (std::size_t i = 0; i < paths.size(); ++i)
            restores.push_back({moved.at(i).trashPath.value_or(""), paths[i], {}});
        return FreedesktopTrash(locations()).restoreAll(restores);
    }

    // Records are flushed from several threads at once.
    int note(const std::string& event) {
        const std::lock_guard hold(lock);
        events.push_back(event);
        return onEvent ? onEvent(event) : 0;
    }
    std::mutex lock;
    // What an open descriptor is: a record, or the "info" or "files" folder of one of the two trash folders.
    std::string nameOf(int fd) const {
        struct stat open {};
        if (::fstat(fd, &open) != 0)
            return "?";
        const std::map<std::string, std::string> places{
            {trashFolder + "/info", "home info"},
            {trashFolder + "/files", "home files"},
            {volumeTrash + "/info", "volume info"},
            {volumeTrash + "/files", "volume files"},
            {home + "/docs", "docs"},
            {volume, "volume"},
        };
        for (const auto& [path, name] : places)
            if (struct stat st{}; ::stat(path.c_str(), &st) == 0 && st.st_ino == open.st_ino)
                return name;
        for (const std::string& folder : {trashFolder + "/info", volumeTrash + "/info"})
            for (const std::string& record : listing(folder))
                if (struct stat st{};
                    ::stat((folder + "/" + record).c_str(), &st) == 0 && st.st_ino == open.st_ino)
                    return record;
        return "?";
    }
    // Every item is in its place or in "files" of a trash folder beside a record that names its place, never
    // in both.
    void expectEveryItemWhole() const {
        for (const std::string& path : paths) {
            const std::string name(PathText::name(path));
            const bool onVolume = path.starts_with(volume);
            const std::string folder = onVolume ? volumeTrash : trashFolder;
            const bool trashed = exists(folder + "/files/" + name);
            EXPECT_NE(exists(path), trashed) << path;
            if (!trashed)
                continue;
            const std::string record = readWholeFile(folder + "/info/" + name + ".trashinfo");
            EXPECT_THAT(record, MatchesRegex(test::kTrashInfoPattern)) << path;
            const std::string recorded = onVolume ? name : path;
            EXPECT_EQ(record.substr(0, record.find("\nDeletionDate=")), "[Trash Info]\nPath=" + recorded);
        }
        for (const std::string& folder : {trashFolder, volumeTrash})
            for (const std::string& name : listing(folder + "/files"))
                EXPECT_TRUE(exists(folder + "/info/" + name + ".trashinfo")) << name;
    }
};

TEST(FreedesktopTrashBatch, EveryRecordIsFlushedBeforeAnyItemMovesAndEachFolderOnce) {
    BatchFixture f;
    bool recordsComplete = false;
    f.onEvent = [&](const std::string& event) {
        if (event == "move a.txt")
            recordsComplete = readWholeFile(f.trashFolder + "/info/a.txt.trashinfo").ends_with("\n") &&
                              readWholeFile(f.trashFolder + "/info/box.trashinfo").ends_with("\n") &&
                              readWholeFile(f.volumeTrash + "/info/cat.jpg.trashinfo").ends_with("\n");
        return 0;
    };
    const std::vector<Trash::Moved> moved = f.moveAll();

    ASSERT_EQ(moved.size(), 3u);
    EXPECT_EQ(moved[0].trashPath, f.trashFolder + "/files/a.txt");
    EXPECT_EQ(moved[1].trashPath, f.volumeTrash + "/files/cat.jpg");
    EXPECT_EQ(moved[2].trashPath, f.trashFolder + "/files/box");
    for (const Trash::Moved& m : moved)
        EXPECT_FALSE(m.failure);
    // The records in any order, as they are flushed together.
    ASSERT_EQ(f.events.size(), 10u);
    std::sort(f.events.begin(), f.events.begin() + 3);
    EXPECT_EQ(f.events, (std::vector<std::string>{"flush a.txt.trashinfo", "flush box.trashinfo",
                                                  "flush cat.jpg.trashinfo", "flush home info",
                                                  "flush volume info", "move a.txt", "move cat.jpg",
                                                  "move box", "flush home files", "flush volume files"}));
    EXPECT_TRUE(recordsComplete);
    f.expectEveryItemWhole();
}

TEST(FreedesktopTrashBatch, AStopAtAnyPointLeavesNoItemInTheTrashWithoutItsRecord) {
    // The process ends before each of the ten flushes and moves of a batch in turn, and after the last.
    for (int stopAt = 1; stopAt <= 11; ++stopAt) {
        SCOPED_TRACE("stopped at event " + std::to_string(stopAt));
        BatchFixture f;
        const pid_t child = ::fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            int seen = 0;
            f.onEvent = [&](const std::string&) {
                if (++seen == stopAt)
                    ::_exit(0);
                return 0;
            };
            (void)f.moveAll();
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        f.expectEveryItemWhole();
        // Until the first rename, nothing has moved.
        if (stopAt <= 6) {
            EXPECT_TRUE(listing(f.trashFolder + "/files").empty());
            EXPECT_TRUE(listing(f.volumeTrash + "/files").empty());
        }
    }
}

TEST(FreedesktopTrashBatch, ARecordThatCannotBeFlushedKeepsOnlyItsItemInPlace) {
    BatchFixture f;
    f.onEvent = [](const std::string& event) {
        return event == "flush cat.jpg.trashinfo" ? EIO : 0;
    };
    const std::vector<Trash::Moved> moved = f.moveAll();
    EXPECT_EQ(moved[0].trashPath, f.trashFolder + "/files/a.txt");
    EXPECT_EQ(moved[2].trashPath, f.trashFolder + "/files/box");
    EXPECT_EQ(test::errnoOf([&] { std::rethrow_exception(moved[1].failure); }), EIO);
    EXPECT_EQ(readWholeFile(f.volume + "/cat.jpg"), "meow");
    EXPECT_TRUE(listing(f.volumeTrash + "/info").empty());
    f.expectEveryItemWhole();
}

TEST(FreedesktopTrashBatch, AnInfoFolderThatCannotBeFlushedMovesNoneOfItsItems) {
    BatchFixture f;
    f.onEvent = [](const std::string& event) {
        return event == "flush home info" ? EIO : 0;
    };
    const std::vector<Trash::Moved> moved = f.moveAll();
    EXPECT_EQ(test::errnoOf([&] { std::rethrow_exception(moved[0].failure); }), EIO);
    EXPECT_EQ(test::errnoOf([&] { std::rethrow_exception(moved[2].failure); }), EIO);
    EXPECT_EQ(moved[1].trashPath, f.volumeTrash + "/files/cat.jpg");
    EXPECT_TRUE(exists(f.paths[0]));
    EXPECT_TRUE(exists(f.paths[2]));
    EXPECT_TRUE(listing(f.trashFolder + "/info").empty());
    EXPECT_TRUE(listing(f.trashFolder + "/files").empty());
    f.expectEveryItemWhole();
}

TEST(FreedesktopTrashBatch, AnItemReplacedAfterItsRecordWasWrittenIsLeftInPlace) {
    BatchFixture f;
    f.onEvent = [&](const std::string& event) {
        if (event == "flush home info") {
            EXPECT_EQ(::rename(f.paths[0].c_str(), (f.home + "/docs/aside.txt").c_str()), 0);
            f.dir.makeFile("home/docs/a.txt", "newcomer");
        }
        return 0;
    };
    const std::vector<Trash::Moved> moved = f.moveAll();
    EXPECT_EQ(test::errorText([&] { std::rethrow_exception(moved[0].failure); }),
              "a.txt was replaced while it was being moved to Trash. It was left in place; rescan before "
              "cleanup.");
    EXPECT_EQ(readWholeFile(f.paths[0]), "newcomer");
    EXPECT_EQ(listing(f.trashFolder + "/info"), std::vector<std::string>{"box.trashinfo"});
    EXPECT_EQ(moved[2].trashPath, f.trashFolder + "/files/box");
    f.expectEveryItemWhole();
}

TEST(FreedesktopTrashBatch, ANameTakenInTheTrashAfterItWasClaimedGetsTheNextOne) {
    BatchFixture f;
    f.onEvent = [&](const std::string& event) {
        if (event == "move a.txt" && !exists(f.trashFolder + "/files/a.txt"))
            f.dir.makeFile("home/.local/share/Trash/files/a.txt", "another client's");
        return 0;
    };
    const std::vector<Trash::Moved> moved = f.moveAll();
    EXPECT_EQ(moved[0].trashPath, f.trashFolder + "/files/a 2.txt");
    EXPECT_EQ(readWholeFile(f.trashFolder + "/files/a.txt"), "another client's");
    EXPECT_EQ(listing(f.trashFolder + "/info"),
              (std::vector<std::string>{"a 2.txt.trashinfo", "box.trashinfo"}));
    EXPECT_EQ(readWholeFile(f.trashFolder + "/files/a 2.txt"), "a");
}

TEST(FreedesktopTrashBatch, ARestoreFlushesEachFolderOnceBeforeAnyRecordGoes) {
    BatchFixture f;
    const std::vector<Trash::Moved> moved = f.moveAll();
    f.events.clear();
    std::vector<std::size_t> recordsAtFlush;
    f.onEvent = [&](const std::string&) {
        recordsAtFlush.push_back(listing(f.trashFolder + "/info").size() +
                                 listing(f.volumeTrash + "/info").size());
        return 0;
    };
    const std::vector<std::exception_ptr> failures = f.restoreAll(moved);

    ASSERT_EQ(failures.size(), 3u);
    for (const std::exception_ptr& failure : failures)
        EXPECT_FALSE(failure);
    EXPECT_EQ(readWholeFile(f.paths[0]), "a");
    EXPECT_EQ(readWholeFile(f.paths[1]), "meow");
    EXPECT_TRUE(exists(f.paths[2]));
    // The folders the items left, then those they entered, each once; every record was still there.
    EXPECT_EQ(f.events, (std::vector<std::string>{"flush home files", "flush volume files", "flush docs",
                                                  "flush volume"}));
    EXPECT_EQ(recordsAtFlush, (std::vector<std::size_t>{3, 3, 3, 3}));
    for (const std::string& folder : {f.trashFolder, f.volumeTrash}) {
        EXPECT_TRUE(listing(folder + "/files").empty()) << folder;
        EXPECT_TRUE(listing(folder + "/info").empty()) << folder;
    }
}

TEST(FreedesktopTrashBatch, AStopAtAnyPointOfARestoreLeavesEveryItemWholeInOnePlace) {
    // The process ends before each of the four flushes of a restored batch in turn, and after the last.
    for (int stopAt = 1; stopAt <= 5; ++stopAt) {
        SCOPED_TRACE("stopped at event " + std::to_string(stopAt));
        BatchFixture f;
        const std::vector<Trash::Moved> moved = f.moveAll();
        const pid_t child = ::fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            int seen = 0;
            f.onEvent = [&](const std::string&) {
                if (++seen == stopAt)
                    ::_exit(0);
                return 0;
            };
            (void)f.restoreAll(moved);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        f.expectEveryItemWhole();
        for (const std::string& path : f.paths)
            EXPECT_TRUE(exists(path)) << path;
        // Until the flushes are done, every record stays.
        if (stopAt <= 4) {
            EXPECT_EQ(listing(f.trashFolder + "/info").size(), 2u);
            EXPECT_EQ(listing(f.volumeTrash + "/info").size(), 1u);
        }
    }
}

TEST(FreedesktopTrashBatch, ARestoreThatCannotBeFlushedIsNotToldAndKeepsItsRecord) {
    BatchFixture f;
    const std::vector<Trash::Moved> moved = f.moveAll();
    f.onEvent = [](const std::string& event) {
        return event == "flush volume files" ? EIO : 0;
    };
    const std::vector<std::exception_ptr> failures = f.restoreAll(moved);
    EXPECT_FALSE(failures[0]);
    EXPECT_FALSE(failures[2]);
    EXPECT_EQ(test::errnoOf([&] { std::rethrow_exception(failures[1]); }), EIO);
    EXPECT_EQ(readWholeFile(f.paths[1]), "meow");
    EXPECT_EQ(listing(f.volumeTrash + "/info"), std::vector<std::string>{"cat.jpg.trashinfo"});
    EXPECT_TRUE(listing(f.trashFolder + "/info").empty());
}

TEST(CleanupServiceBatch, ARestoreOfManyReceiptsMakesOnePolicyAndTellsEachFailure) {
    test::CleanupFixture f;
    constexpr int kEntries = 200;
    for (int i = 0; i < kEntries; ++i)
        f.dir.makeFile("home/docs/file-" + std::to_string(i) + ".txt", "x");
    const ScanResult scan = f.scan("docs");
    std::vector<CleanupEntry> entries;
    for (int i = 0; i < kEntries; ++i)
        entries.emplace_back(*scan.nodes.node(f.home + "/docs/file-" + std::to_string(i) + ".txt"), scan, "r",
                             f.policy);
    const CleanupOutcome outcome = f.service.moveToTrash(entries, true);
    ASSERT_EQ(outcome.receipts.size(), std::size_t(kEntries));
    // One place is taken meanwhile.
    f.dir.makeFile("home/docs/file-7.txt", "newcomer");
    int policies = 0;
    const CleanupService service(f.trash, [&] {
        ++policies;
        return f.policy;
    });
    const std::vector<std::exception_ptr> failures = service.restoreAll(outcome.receipts);
    EXPECT_EQ(policies, 1);
    ASSERT_EQ(failures.size(), std::size_t(kEntries));
    for (std::size_t i = 0; i < failures.size(); ++i) {
        const bool taken = outcome.receipts[i].originalPath == f.home + "/docs/file-7.txt";
        EXPECT_EQ(failures[i] != nullptr, taken) << outcome.receipts[i].originalPath;
        if (taken) {
            EXPECT_EQ(test::errorText([&] { std::rethrow_exception(failures[i]); }),
                      "An item already exists at the original location. Restore from Finder to choose "
                      "another destination.");
        }
    }
    EXPECT_EQ(readWholeFile(f.home + "/docs/file-7.txt"), "newcomer");
    EXPECT_EQ(listing(f.trashFolder + "/files"), std::vector<std::string>{"file-7.txt"});
    EXPECT_EQ(listing(f.trashFolder + "/info"), std::vector<std::string>{"file-7.txt.trashinfo"});
}

TEST(CleanupServiceBatch, TheMoveFlushesEachFolderOncePerBatchOfEntries) {
    test::CleanupFixture f;
    constexpr int kEntries = 260;
    for (int i = 0; i < kEntries; ++i)
        f.dir.makeFile("home/docs/file-" + std::to_string(i) + ".txt", "x");
    const ScanResult scan = f.scan("docs");
    std::vector<CleanupEntry> entries;
    for (int i = 0; i < kEntries; ++i)
        entries.emplace_back(*scan.nodes.node(f.home + "/docs/file-" + std::to_string(i) + ".txt"), scan, "r",
                             f.policy);
    int files = 0;
    int folders = 0;
    FreedesktopTrash::Locations where{f.trashFolder, ::getuid(), {}, {}};
    where.sync = [&](int fd) {
        struct stat st {};
        ::fstat(fd, &st);
        ++(S_ISDIR(st.st_mode) ? folders : files);
        return ::fsync(fd) == 0 ? 0 : errno;
    };
    const CleanupService service(std::make_shared<FreedesktopTrash>(where), [&] { return f.policy; });
    const CleanupOutcome outcome = service.moveToTrash(entries, true);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_EQ(outcome.receipts.size(), std::size_t(kEntries));
    EXPECT_EQ(listing(f.trashFolder + "/info").size(), std::size_t(kEntries));
    EXPECT_EQ(files, kEntries);
    // At most 128 entries to a batch, each flushing "info" and "files" once.
    EXPECT_GE(folders, 6);
    EXPECT_EQ(folders % 2, 0);
    EXPECT_LT(folders, kEntries / 4);
}

} // namespace
} // namespace ambertrove
