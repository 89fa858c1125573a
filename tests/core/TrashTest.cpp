#include "platform/AtomicFile.hpp"
#include "platform/FreedesktopTrash.hpp"
#include "platform/PathResolution.hpp"
#include "support/BindMount.hpp"
#include "support/CleanupFixture.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace ambertrove {
namespace {

using test::errnoOf;
using test::exists;
using test::listing;
using test::TempDir;
using test::TrashFixture;
using ::testing::MatchesRegex;

// ---- the Trash layer -------------------------------------------------------------------------------

TEST(FreedesktopTrash, MovesAnItemWithItsRecordAndPutsItBack) {
    TrashFixture f;
    const std::string item = f.dir.makeFile("home/docs/a b%ü.txt", "hello");
    const std::optional<std::string> trashed = f.trash->moveToTrash(item);
    ASSERT_TRUE(trashed);
    EXPECT_EQ(*trashed, f.trashFolder + "/files/a b%ü.txt");
    EXPECT_FALSE(exists(item));
    EXPECT_EQ(readWholeFile(*trashed), "hello");
    const std::string info = readWholeFile(f.trashFolder + "/info/a b%ü.txt.trashinfo");
    EXPECT_THAT(info, MatchesRegex(test::kTrashInfoPattern));
    EXPECT_EQ(info.substr(0, info.find("\nDeletionDate=")),
              "[Trash Info]\nPath=" + f.home + "/docs/a%20b%25%C3%BC.txt");
    struct stat st {};
    ASSERT_EQ(::stat((f.trashFolder + "/info/a b%ü.txt.trashinfo").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(f.trashFolder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    f.trash->restore(*trashed, item);
    EXPECT_EQ(readWholeFile(item), "hello");
    EXPECT_TRUE(listing(f.trashFolder + "/files").empty());
    EXPECT_TRUE(listing(f.trashFolder + "/info").empty());
}

TEST(FreedesktopTrash, TakenNamesGetANumberBeforeTheExtension) {
    TrashFixture f;
    const std::string a = f.dir.makeFile("home/one/a.txt", "1");
    const std::string b = f.dir.makeFile("home/two/a.txt", "2");
    const std::string c = f.dir.makeFile("home/three/a.txt", "3");
    const std::string folder = f.dir.makeDir("home/one/box");
    const std::string folder2 = f.dir.makeDir("home/two/box");
    EXPECT_EQ(f.trash->moveToTrash(a), f.trashFolder + "/files/a.txt");
    EXPECT_EQ(f.trash->moveToTrash(b), f.trashFolder + "/files/a 2.txt");
    EXPECT_EQ(f.trash->moveToTrash(c), f.trashFolder + "/files/a 3.txt");
    EXPECT_EQ(f.trash->moveToTrash(folder), f.trashFolder + "/files/box");
    EXPECT_EQ(f.trash->moveToTrash(folder2), f.trashFolder + "/files/box 2");
    EXPECT_EQ(readWholeFile(f.trashFolder + "/files/a 2.txt"), "2");
    EXPECT_EQ(listing(f.trashFolder + "/info"),
              (std::vector<std::string>{"a 2.txt.trashinfo", "a 3.txt.trashinfo", "a.txt.trashinfo",
                                        "box 2.trashinfo", "box.trashinfo"}));
}

TEST(FreedesktopTrash, AnItemInTheFilesFolderWithoutARecordIsNotReplaced) {
    TrashFixture f;
    f.dir.makeFile("home/.local/share/Trash/files/a.txt", "stray");
    const std::string a = f.dir.makeFile("home/docs/a.txt", "mine");
    EXPECT_EQ(f.trash->moveToTrash(a), f.trashFolder + "/files/a 2.txt");
    EXPECT_EQ(readWholeFile(f.trashFolder + "/files/a.txt"), "stray");
    EXPECT_EQ(listing(f.trashFolder + "/info"), std::vector<std::string>{"a 2.txt.trashinfo"});
}

TEST(FreedesktopTrash, LongNamesAreShortenedToFitTheRecordName) {
    const std::string name = std::string(250, 'n') + ".txt";
    const std::string first = FreedesktopTrash::trashName(name, 1);
    const std::string second = FreedesktopTrash::trashName(name, 2);
    EXPECT_EQ(first.size() + 10, 255u);
    EXPECT_TRUE(first.ends_with(".txt"));
    EXPECT_TRUE(second.ends_with(" 2.txt"));
    EXPECT_EQ(second.size() + 10, 255u);
    // A multi-byte character is never cut in half.
    const std::string wide = FreedesktopTrash::trashName(std::string(300, 'x').replace(244, 2, "é"), 1);
    EXPECT_EQ(wide, std::string(244, 'x'));
    EXPECT_EQ(FreedesktopTrash::trashName(".bashrc", 2), ".bashrc 2");
    EXPECT_EQ(FreedesktopTrash::trashName("archive.tar.gz", 3), "archive.tar 3.gz");
}

TEST(FreedesktopTrash, ALongNameIsTrashed) {
    TrashFixture f;
    const std::string item = f.dir.makeFile("home/" + std::string(250, 'n') + ".txt", "x");
    const std::optional<std::string> trashed = f.trash->moveToTrash(item);
    ASSERT_TRUE(trashed);
    EXPECT_EQ(readWholeFile(*trashed), "x");
}

TEST(FreedesktopTrash, ALongNameOfBytesThatAreNotUtf8IsCutAtTheLimit) {
    // Bytes that would continue a UTF-8 character, without one to continue: cutting back to a
    // character's start would leave nothing of the name.
    const std::string name(255, '\x80');
    EXPECT_EQ(FreedesktopTrash::trashName(name, 1), std::string(245, '\x80'));
    EXPECT_EQ(FreedesktopTrash::trashName(name, 2), std::string(243, '\x80') + " 2");
    // A four-byte character across the limit still goes whole.
    EXPECT_EQ(
        FreedesktopTrash::trashName(std::string(243, 'x') + "\xF0\x9F\x98\x80" + std::string(20, 'y'), 1),
        std::string(243, 'x'));

    TrashFixture f;
    const std::string item = f.dir.makeFile("home/" + name, "x");
    const std::optional<std::string> trashed = f.trash->moveToTrash(item);
    ASSERT_TRUE(trashed);
    EXPECT_EQ(*trashed, f.trashFolder + "/files/" + std::string(245, '\x80'));
    EXPECT_EQ(readWholeFile(*trashed), "x");
    EXPECT_FALSE(exists(item));
}

TEST(FreedesktopTrash, OtherFileSystemsUseTheirTopFolderTrash) {
    TrashFixture f;
    const std::string volume = f.dir.makeDir("volume");
    FreedesktopTrash::Locations where{f.trashFolder, ::getuid(), [&](const std::string&) { return volume; },
                                      [](const std::string&) {
                                          return false;
                                      }};
    const FreedesktopTrash trash(where);
    const std::string uid = std::to_string(::getuid());
    const std::string item = f.dir.makeFile("volume/photos/cat.jpg", "meow");
    const std::optional<std::string> trashed = trash.moveToTrash(item);
    EXPECT_EQ(trashed, volume + "/.Trash-" + uid + "/files/cat.jpg");
    const std::string info = readWholeFile(volume + "/.Trash-" + uid + "/info/cat.jpg.trashinfo");
    EXPECT_THAT(info, MatchesRegex(test::kTrashInfoPattern));
    // Relative to the top folder, as the record of such a trash is.
    EXPECT_EQ(info.substr(0, info.find("\nDeletionDate=")), "[Trash Info]\nPath=photos/cat.jpg");
    EXPECT_FALSE(exists(f.trashFolder));
}

TEST(FreedesktopTrash, ASharedStickyTrashFolderIsUsedPerUser) {
    TrashFixture f;
    const std::string volume = f.dir.makeDir("volume");
    const std::string shared = f.dir.makeDir("volume/.Trash");
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const FreedesktopTrash trash({f.trashFolder, ::getuid(), [&](const std::string&) { return volume; },
                                  [](const std::string&) {
                                      return false;
                                  }});
    const std::string item = f.dir.makeFile("volume/cat.jpg", "meow");
    EXPECT_EQ(trash.moveToTrash(item), shared + "/" + std::to_string(::getuid()) + "/files/cat.jpg");
}

TEST(FreedesktopTrash, ASharedFolderWithoutTheStickyBitIsPassedOver) {
    TrashFixture f;
    const std::string volume = f.dir.makeDir("volume");
    f.dir.makeDir("volume/.Trash");
    const FreedesktopTrash trash({f.trashFolder, ::getuid(), [&](const std::string&) { return volume; },
                                  [](const std::string&) {
                                      return false;
                                  }});
    const std::string item = f.dir.makeFile("volume/cat.jpg", "meow");
    EXPECT_EQ(trash.moveToTrash(item), volume + "/.Trash-" + std::to_string(::getuid()) + "/files/cat.jpg");
}

struct SharedTrashCase {
    const char* name;
    // The owner of the shared "$topdir/.Trash"; none when it is a link to a root's sticky folder.
    std::optional<uid_t> owner;
    bool used;
};

TEST(FreedesktopTrash, ASharedTrashFolderIsUsedOnlyWhenRootOrTheUserOwnsIt) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give folders to other users";
    // The user is not root here, so that a folder of root's and one of the user's differ.
    constexpr uid_t kUser = 4242;
    constexpr uid_t kOther = 4343;
    const std::vector<SharedTrashCase> cases{
        {"owned by root", 0, true},
        {"owned by the user", kUser, true},
        {"owned by another user", kOther, false},
        {"a link to a root's sticky folder", std::nullopt, false},
    };
    for (const SharedTrashCase& c : cases) {
        SCOPED_TRACE(c.name);
        TrashFixture f;
        const std::string volume = f.dir.makeDir("volume");
        // A folder of `owner` with `mode`, made with its parents.
        const auto ownFolder = [&](const std::string& relative, uid_t owner, mode_t mode) {
            const std::string path = f.dir.makeDir(relative);
            EXPECT_EQ(::chown(path.c_str(), owner, ::getgid()), 0);
            EXPECT_EQ(::chmod(path.c_str(), mode), 0);
            return path;
        };
        const std::string sharedPlace = c.owner ? "volume/.Trash" : "elsewhere";
        const std::string shared = ownFolder(sharedPlace, c.owner.value_or(0), 01777);
        if (!c.owner)
            f.dir.makeSymlink("volume/.Trash", shared);
        // The user's folders in both places are ready, so that only the shared folder decides.
        const std::string user = std::to_string(kUser);
        for (const std::string& folder : {sharedPlace + "/" + user, "volume/.Trash-" + user})
            for (const std::string& inside : {std::string(), std::string("/files"), std::string("/info")})
                ownFolder(folder + inside, kUser, 0700);
        const FreedesktopTrash trash({f.trashFolder, kUser, [&](const std::string&) { return volume; },
                                      [](const std::string&) {
                                          return false;
                                      }});
        const std::string item = f.dir.makeFile("volume/cat.jpg", "meow");

        const std::optional<std::string> trashed = trash.moveToTrash(item);

        const std::string expected = c.used ? shared + "/" + user : volume + "/.Trash-" + user;
        EXPECT_EQ(trashed, expected + "/files/cat.jpg");
        EXPECT_EQ(readWholeFile(expected + "/files/cat.jpg"), "meow");
        EXPECT_EQ(listing(expected + "/info"), std::vector<std::string>{"cat.jpg.trashinfo"});
        if (!c.used) {
            EXPECT_TRUE(listing(shared + "/" + user + "/files").empty());
            EXPECT_TRUE(listing(shared + "/" + user + "/info").empty());
        }
    }
}

TEST(FreedesktopTrash, ALinkInPlaceOfTheTrashFolderIsRefused) {
    TrashFixture f;
    const std::string volume = f.dir.makeDir("volume");
    const std::string elsewhere = f.dir.makeDir("elsewhere");
    f.dir.makeSymlink("volume/.Trash-" + std::to_string(::getuid()), elsewhere);
    const FreedesktopTrash trash({f.trashFolder, ::getuid(), [&](const std::string&) { return volume; },
                                  [](const std::string&) {
                                      return false;
                                  }});
    const std::string item = f.dir.makeFile("volume/cat.jpg", "meow");
    EXPECT_EQ(errnoOf([&] { (void)trash.moveToTrash(item); }), ENOTDIR);
    EXPECT_TRUE(exists(item));
    EXPECT_TRUE(listing(elsewhere).empty());
}

TEST(FreedesktopTrash, AFailedMoveLeavesNoRecord) {
    TrashFixture f;
    // The trash would lie inside the item itself: the kernel refuses to move a folder into itself.
    const std::string item = f.dir.makeDir("volume");
    const FreedesktopTrash trash({f.trashFolder, ::getuid(), [&](const std::string&) { return item; },
                                  [](const std::string&) {
                                      return false;
                                  }});
    EXPECT_EQ(errnoOf([&] { (void)trash.moveToTrash(item); }), EINVAL);
    EXPECT_TRUE(exists(item));
    EXPECT_TRUE(listing(item + "/.Trash-" + std::to_string(::getuid()) + "/info").empty());
}

TEST(FreedesktopTrash, AnItemReachedThroughAFolderLinkIsNotMoved) {
    // A link put in place of a folder after the item was checked must not send another item to the Trash.
    TrashFixture f;
    const std::string real = f.dir.makeFile("elsewhere/a.txt", "keep");
    f.dir.makeSymlink("home/docs", f.dir / "elsewhere");
    EXPECT_EQ(errnoOf([&] { (void)f.trash->moveToTrash(f.home + "/docs/a.txt"); }), ENOTDIR);
    EXPECT_EQ(readWholeFile(real), "keep");
    EXPECT_FALSE(exists(f.trashFolder + "/info/a.txt.trashinfo"));
}

TEST(FreedesktopTrash, AFolderNamedWithATrailingSlashIsMoved) {
    TrashFixture f;
    const std::string folder = f.dir.makeDir("home/box");
    EXPECT_EQ(f.trash->moveToTrash(folder + "/"), f.trashFolder + "/files/box");
    EXPECT_FALSE(exists(folder));
}

TEST(FreedesktopTrash, RestoreNeverReplacesAnEntry) {
    TrashFixture f;
    const std::string item = f.dir.makeFile("home/a.txt", "old");
    const std::string trashed = *f.trash->moveToTrash(item);
    f.dir.makeFile("home/a.txt", "new");
    EXPECT_EQ(errnoOf([&] { f.trash->restore(trashed, item); }), EEXIST);
    EXPECT_EQ(readWholeFile(item), "new");
    EXPECT_EQ(readWholeFile(trashed), "old");
    EXPECT_EQ(listing(f.trashFolder + "/info"), std::vector<std::string>{"a.txt.trashinfo"});
}

TEST(FreedesktopTrash, RestoreNeverGoesThroughAFolderLink) {
    TrashFixture f;
    const std::string item = f.dir.makeFile("home/docs/a.txt", "old");
    const std::string trashed = *f.trash->moveToTrash(item);
    const std::string elsewhere = f.dir.makeDir("elsewhere");
    ASSERT_EQ(::rmdir((f.home + "/docs").c_str()), 0);
    f.dir.makeSymlink("home/docs", elsewhere);
    EXPECT_EQ(errnoOf([&] { f.trash->restore(trashed, item); }), ENOTDIR);
    EXPECT_TRUE(listing(elsewhere).empty());
    EXPECT_EQ(readWholeFile(trashed), "old");
    EXPECT_EQ(listing(f.trashFolder + "/info"), std::vector<std::string>{"a.txt.trashinfo"});
}

// A Trash on another disk, for the current user, whose top folder is `volume`.
FreedesktopTrash::Locations volumeLocations(const TrashFixture& f, const std::string& volume) {
    FreedesktopTrash::Locations where{f.trashFolder, ::getuid(),
                                      [volume](const std::string&) { return volume; },
                                      [](const std::string&) {
                                          return false;
                                      }};
    return where;
}

TEST(FreedesktopTrash, ATrashFolderSwappedForALinkDuringTheMoveSendsNothingElsewhere) {
    // Another user of a shared disk swaps the trash folder for a link to a folder of their own.
    TrashFixture f;
    const std::string volume = f.dir.makeDir("volume");
    const std::string theirs = f.dir.makeDir("theirs");
    f.dir.makeDir("theirs/files");
    f.dir.makeDir("theirs/info");
    const std::string trashFolder = volume + "/.Trash-" + std::to_string(::getuid());
    const std::string item = f.dir.makeFile("volume/photos/cat.jpg", "meow");
    FreedesktopTrash::Locations where = volumeLocations(f, volume);
    where.beforeMove = [&](const std::string&) {
        ASSERT_EQ(::rename(trashFolder.c_str(), (volume + "/moved").c_str()), 0);
        ASSERT_EQ(::symlink(theirs.c_str(), trashFolder.c_str()), 0);
    };
    const FreedesktopTrash trash(where);
    // The path of the Trash no longer leads to the folder the item would go to: nothing is reported moved.
    EXPECT_NE(test::errorText([&] { (void)trash.moveToTrash(item); }), "(no error)");
    EXPECT_TRUE(listing(theirs + "/files").empty());
    EXPECT_TRUE(listing(theirs + "/info").empty());
    EXPECT_EQ(readWholeFile(item), "meow");
    EXPECT_TRUE(listing(volume + "/moved/files").empty());
    EXPECT_TRUE(listing(volume + "/moved/info").empty());
}

TEST(FreedesktopTrash, AFolderInsideTheTrashSwappedForALinkIsRefused) {
    TrashFixture f;
    const std::string volume = f.dir.makeDir("volume");
    const std::string theirs = f.dir.makeDir("theirs");
    const std::string trashFolder = f.dir.makeDir("volume/.Trash-" + std::to_string(::getuid()));
    ASSERT_EQ(::chmod(trashFolder.c_str(), 0700), 0);
    f.dir.makeSymlink("volume/.Trash-" + std::to_string(::getuid()) + "/files", theirs);
    const std::string item = f.dir.makeFile("volume/cat.jpg", "meow");
    const FreedesktopTrash trash(volumeLocations(f, volume));
    EXPECT_EQ(errnoOf([&] { (void)trash.moveToTrash(item); }), ENOTDIR);
    EXPECT_TRUE(listing(theirs).empty());
    EXPECT_EQ(readWholeFile(item), "meow");
}

TEST(FreedesktopTrash, ATrashFolderOthersMayWriteIsRefused) {
    TrashFixture f;
    const std::string volume = f.dir.makeDir("volume");
    const std::string trashFolder = f.dir.makeDir("volume/.Trash-" + std::to_string(::getuid()));
    ASSERT_EQ(::chmod(trashFolder.c_str(), 0777), 0);
    const std::string item = f.dir.makeFile("volume/cat.jpg", "meow");
    const FreedesktopTrash trash(volumeLocations(f, volume));
    EXPECT_EQ(errnoOf([&] { (void)trash.moveToTrash(item); }), EACCES);
    EXPECT_EQ(readWholeFile(item), "meow");
}

TEST(FreedesktopTrash, ATrashFolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a folder to another user";
    TrashFixture f;
    const std::string volume = f.dir.makeDir("volume");
    const std::string trashFolder = f.dir.makeDir("volume/.Trash-" + std::to_string(::getuid()));
    ASSERT_EQ(::chmod(trashFolder.c_str(), 0700), 0);
    ASSERT_EQ(::chown(trashFolder.c_str(), ::getuid() + 4242, ::getgid()), 0);
    const std::string item = f.dir.makeFile("volume/cat.jpg", "meow");
    const FreedesktopTrash trash(volumeLocations(f, volume));
    EXPECT_EQ(errnoOf([&] { (void)trash.moveToTrash(item); }), EACCES);
    EXPECT_EQ(readWholeFile(item), "meow");
    EXPECT_TRUE(listing(trashFolder).empty());
}

TEST(FreedesktopTrash, AnItemSwappedJustBeforeTheMoveIsPutBackAndTheMoveFails) {
    TrashFixture f;
    const std::string box = f.dir.makeDir("home/docs/box");
    f.dir.makeFile("home/docs/box/checked.txt", "checked");
    FreedesktopTrash::Locations where{f.trashFolder, ::getuid(), {}, {}};
    where.beforeMove = [&](const std::string& path) {
        ASSERT_EQ(path, box);
        ASSERT_EQ(::rename(box.c_str(), (f.home + "/docs/aside").c_str()), 0);
        f.dir.makeFile("home/docs/box/other.txt", "other");
    };
    const FreedesktopTrash trash(where);
    EXPECT_NE(test::errorText([&] { (void)trash.moveToTrash(box); }), "(no error)");
    // The folder put in its place is back where it was, and the Trash keeps no record of it.
    EXPECT_EQ(readWholeFile(box + "/other.txt"), "other");
    EXPECT_EQ(readWholeFile(f.home + "/docs/aside/checked.txt"), "checked");
    EXPECT_TRUE(listing(f.trashFolder + "/files").empty());
    EXPECT_TRUE(listing(f.trashFolder + "/info").empty());
}

TEST(FreedesktopTrash, RestoreRemovesNoRecordOutsideTheTrash) {
    TrashFixture f;
    // A folder shaped like a trash, and a file that happens to be named like a record in it.
    const std::string item = f.dir.makeFile("home/box/files/x", "x");
    const std::string victim = f.dir.makeFile("home/box/info/x.trashinfo", "precious");
    EXPECT_NE(test::errorText([&] { f.trash->restore(item, f.home + "/x"); }), "(no error)");
    EXPECT_EQ(readWholeFile(victim), "precious");
    EXPECT_EQ(readWholeFile(item), "x");
    EXPECT_FALSE(exists(f.home + "/x"));
}

TEST(FreedesktopTrash, AnItemIsRestoredFromATopFolderTrash) {
    TrashFixture f;
    const std::string volume = f.dir.makeDir("volume");
    const FreedesktopTrash trash(volumeLocations(f, volume));
    const std::string item = f.dir.makeFile("volume/photos/cat 1.jpg", "meow");
    const std::string trashed = *trash.moveToTrash(item);
    EXPECT_EQ(trashed, volume + "/.Trash-" + std::to_string(::getuid()) + "/files/cat 1.jpg");
    // Another folder's trash is not the one for this place.
    f.dir.makeDir("home/photos");
    EXPECT_NE(test::errorText([&] { trash.restore(trashed, f.home + "/photos/cat 1.jpg"); }), "(no error)");
    trash.restore(trashed, item);
    EXPECT_EQ(readWholeFile(item), "meow");
    EXPECT_TRUE(listing(volume + "/.Trash-" + std::to_string(::getuid()) + "/info").empty());
}

TEST(FreedesktopTrash, ARecordWithAnAbsolutePathInATopFolderTrashIsAccepted) {
    // Other clients may record the full path in a top folder's trash.
    TrashFixture f;
    const std::string volume = f.dir.makeDir("volume");
    const std::string uid = std::to_string(::getuid());
    const std::string item = f.dir.makeFile("volume/.Trash-" + uid + "/files/dog.jpg", "woof");
    ASSERT_EQ(::chmod((volume + "/.Trash-" + uid).c_str(), 0700), 0);
    ASSERT_EQ(::chmod((volume + "/.Trash-" + uid + "/files").c_str(), 0700), 0);
    f.dir.makeFile("volume/.Trash-" + uid + "/info/dog.jpg.trashinfo",
                   "[Trash Info]\nPath=" + FreedesktopTrash::percentEncoded(volume + "/pets/dog.jpg") +
                       "\nDeletionDate=2024-01-01T00:00:00\n");
    ASSERT_EQ(::chmod((volume + "/.Trash-" + uid + "/info").c_str(), 0700), 0);
    f.dir.makeDir("volume/pets");
    const FreedesktopTrash trash(volumeLocations(f, volume));
    trash.restore(item, volume + "/pets/dog.jpg");
    EXPECT_EQ(readWholeFile(volume + "/pets/dog.jpg"), "woof");
    EXPECT_TRUE(listing(volume + "/.Trash-" + uid + "/info").empty());
}

TEST(FreedesktopTrash, AnItemOfTheHomeDiskShownThroughABindMountMakesNoTrashThere) {
    TrashFixture f;
    const std::string ssh = f.dir.makeDir("home/.ssh");
    const std::string key = f.dir.makeFile("home/.ssh/id_ed25519", "secret");
    const std::string view = f.dir.makeDir("home/keys-view");
    const test::BindMount bind(ssh, view);
    if (!bind.made())
        GTEST_SKIP() << bind.why();
    // It belongs to the home trash, which a rename cannot reach from another mount: it stays.
    EXPECT_EQ(test::errorText([&] { (void)f.trash->moveToTrash(view + "/id_ed25519"); }),
              "id_ed25519 is shown through another mount; move it from its own place.");
    EXPECT_EQ(readWholeFile(key), "secret");
    EXPECT_EQ(listing(ssh), std::vector<std::string>{"id_ed25519"});
}

TEST(FreedesktopTrash, PathsHoldingANulAreRefused) {
    TrashFixture f;
    const std::string folder = f.dir.makeDir("home/docs");
    EXPECT_EQ(errnoOf([&] { (void)f.trash->moveToTrash(folder + std::string("\0/x", 3)); }), EINVAL);
    EXPECT_TRUE(exists(folder));
}

} // namespace
} // namespace ambertrove
