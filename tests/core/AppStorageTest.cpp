#include "storage/AppStorage.hpp"
#include "base/AmbertroveError.hpp"
#include "storage/MemoryPreferenceStore.hpp"

#include "support/Checks.hpp"
#include "support/ScopedVariable.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace ambertrove {
namespace {

TEST(AppStorage, ResolveChoosesTheFolder) {
    enum class Entry { none, folder, file, linkToFolder, danglingLink };
    struct Case {
        const char* name;
        Entry current, former;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"neither", Entry::none, Entry::none, "Ambertrove"},
        {"only the former folder", Entry::none, Entry::folder, "Tessavale"},
        {"both", Entry::folder, Entry::folder, "Ambertrove"},
        {"only the current folder", Entry::folder, Entry::none, "Ambertrove"},
        {"a plain file in the former's place", Entry::none, Entry::file, "Ambertrove"},
        {"a plain file in the current's place", Entry::file, Entry::folder, "Ambertrove"},
        {"a plain file in both places", Entry::file, Entry::file, "Ambertrove"},
        {"the former is a link to a folder", Entry::none, Entry::linkToFolder, "Tessavale"},
        {"the current is a link to a folder", Entry::linkToFolder, Entry::folder, "Ambertrove"},
        {"the current is a dangling link", Entry::danglingLink, Entry::folder, "Tessavale"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string support = dir.makeDir("share");
        dir.makeDir("elsewhere");
        auto make = [&](const std::string& name, Entry e) {
            switch (e) {
            case Entry::none:
                break;
            case Entry::folder:
                dir.makeDir("share/" + name);
                break;
            case Entry::file:
                dir.makeFile("share/" + name, "x");
                break;
            case Entry::linkToFolder:
                dir.makeSymlink("share/" + name, dir / "elsewhere");
                break;
            case Entry::danglingLink:
                dir.makeSymlink("share/" + name, dir / "nothing");
                break;
            }
        };
        make("Ambertrove", c.current);
        make("Tessavale", c.former);
        EXPECT_EQ(AppStorage::resolve(support), support + "/" + c.expected) << c.name;
        EXPECT_EQ(AppStorage::resolve(support + "/"), support + "/" + c.expected) << c.name;
    }
}

TEST(AppStorage, ResolveCreatesNothingAndToleratesAMissingParent) {
    test::TempDir dir;
    EXPECT_EQ(AppStorage::resolve(dir / "no/such/folder"), dir / "no/such/folder/Ambertrove");
    struct stat status {};
    EXPECT_NE(::lstat((dir / "no").c_str(), &status), 0);
    const std::string support = dir.makeDir("share");
    EXPECT_EQ(AppStorage::resolve(support), support + "/Ambertrove");
    EXPECT_NE(::lstat((support + "/Ambertrove").c_str(), &status), 0);
}

TEST(AppStorage, ApplicationSupportFolder) {
    struct Case {
        std::optional<std::string> xdgDataHome;
        std::string home, expected;
    };
    const std::vector<Case> cases = {
        {std::nullopt, "/home/ann", "/home/ann/.local/share"},
        {"", "/home/ann", "/home/ann/.local/share"},
        {"relative/data", "/home/ann", "/home/ann/.local/share"},
        {"/data/ann", "/home/ann", "/data/ann"},
        {std::nullopt, "/", "/.local/share"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppStorage::applicationSupport(c.xdgDataHome, c.home), c.expected)
            << c.xdgDataHome.value_or("(unset)");
}

TEST(AppStorage, MigrationNeverOverwrites) {
    struct Case {
        const char* name;
        PreferenceTable target, legacy, expected;
    };
    const std::vector<std::string> recent = {"/Users/ann/Movies", "/Users/ann/Music"};
    const std::vector<Case> cases = {
        {"copies only what is missing",
         {{"colorTheme", std::string("ember")}},
         {{"colorTheme", std::string("ocean")}, {"recentFolders", recent}},
         {{"colorTheme", std::string("ember")}, {"recentFolders", recent}}},
        {"empty legacy table", {{"darkAppearance", true}}, {}, {{"darkAppearance", true}}},
        {"only other keys",
         {{"darkAppearance", true}},
         {{"windowFrame", std::string("0 0 10 10")}, {"ColorTheme", std::string("case matters")}},
         {{"darkAppearance", true}}},
        {"all six, values unchanged whatever their type",
         {},
         {{"darkAppearance", false},
          {"colorTheme", std::string("ocean")},
          {"recentFolders", recent},
          {"backupBeforeCleanup", std::int64_t(1)},
          {"snapshotsEnabled", true},
          {"lastBackupParent", std::string("/Volumes/Backup")},
          {"other", 2.5}},
         {{"darkAppearance", false},
          {"colorTheme", std::string("ocean")},
          {"recentFolders", recent},
          {"backupBeforeCleanup", std::int64_t(1)},
          {"snapshotsEnabled", true},
          {"lastBackupParent", std::string("/Volumes/Backup")}}},
        {"a stored false is a value too",
         {{"snapshotsEnabled", false}},
         {{"snapshotsEnabled", true}},
         {{"snapshotsEnabled", false}}},
    };
    for (const Case& c : cases) {
        MemoryPreferenceStore store(c.target);
        AppStorage::migratePreferences(store, c.legacy);
        EXPECT_EQ(store.values(), c.expected) << c.name;
        AppStorage::migratePreferences(store, c.legacy);
        EXPECT_EQ(store.values(), c.expected) << c.name << " (again)";
    }
}

// A store whose values may come from another domain than the one written to; records what is asked and set.
class LayeredStore final : public PreferenceStore {
public:
    PreferenceTable own, global;
    std::vector<std::string> asked, set;

    [[nodiscard]] std::optional<PreferenceValue> value(std::string_view key) const override {
        const_cast<LayeredStore*>(this)->asked.emplace_back(key);
        if (auto it = own.find(key); it != own.end())
            return it->second;
        if (auto it = global.find(key); it != global.end())
            return it->second;
        return std::nullopt;
    }
    void setValue(std::string_view key, const PreferenceValue& value) override {
        set.emplace_back(key);
        own.insert_or_assign(std::string(key), value);
    }
};

TEST(AppStorage, MigrationAsksEveryKeyInOrderAndRespectsValuesFromAnyDomain) {
    LayeredStore store;
    store.global = {{"colorTheme", std::string("from another domain")}};
    const PreferenceTable legacy = {{"colorTheme", std::string("old")},
                                    {"lastBackupParent", std::string("/b")},
                                    {"darkAppearance", true}};
    AppStorage::migratePreferences(store, legacy);
    EXPECT_EQ(store.asked,
              (std::vector<std::string>{"darkAppearance", "colorTheme", "recentFolders",
                                        "backupBeforeCleanup", "snapshotsEnabled", "lastBackupParent"}));
    EXPECT_EQ(store.set, (std::vector<std::string>{"darkAppearance", "lastBackupParent"}));
    EXPECT_FALSE(store.own.contains("colorTheme"));
}

TEST(AppStorage, HomeFolderFromTheEnvironmentElseThePasswordEntry) {
    const passwd* entry = ::getpwuid(::getuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(AppStorage::homeFolder(std::string("/home/ann")), "/home/ann");
    EXPECT_EQ(AppStorage::homeFolder(std::nullopt), entry->pw_dir);
    EXPECT_EQ(AppStorage::homeFolder(std::string()), entry->pw_dir);
}

TEST(AppStorage, DirectoryIsResolvedAfreshInTheDataFolder) {
    test::TempDir dir;
    const std::string share = dir.makeDir("data");
    const test::ScopedVariable data("XDG_DATA_HOME", share);
    EXPECT_EQ(AppStorage::directory(), share + "/Ambertrove");
    dir.makeDir("data/Tessavale");
    EXPECT_EQ(AppStorage::directory(), share + "/Tessavale");
    dir.makeDir("data/Ambertrove");
    EXPECT_EQ(AppStorage::directory(), share + "/Ambertrove");
}

// ---- the state folder is private ------------------------------------------------------------------------

using test::permissionsOf;

// What openPrivateFolder() throws: the refusal's sentence, or "errno N" for a system error, or "" for none.
std::string refusalOf(const std::string& folder, std::size_t ownLevels, bool create) {
    try {
        (void)AppStorage::openPrivateFolder(folder, ownLevels, create);
        return "";
    } catch (const AmbertroveError& error) {
        return error.message();
    } catch (const std::system_error& error) {
        return "errno " + std::to_string(error.code().value());
    }
}

TEST(AppStorage, PrivateFoldersAreMadeOwnerOnlyWithTheirMissingParents) {
    test::TempDir dir;
    const test::ScopedUmask mask(022);
    const std::string folder = dir / "data/share/Ambertrove";
    EXPECT_EQ(refusalOf(folder, 1, true), "");
    for (const std::string& path : std::vector<std::string>{dir / "data", dir / "data/share", folder})
        EXPECT_EQ(permissionsOf(path), 0700) << path;
    // An existing parent is left as it is.
    EXPECT_EQ(permissionsOf(dir.path()), 0700);
    dir.makeDir("open");
    ::chmod((dir / "open").c_str(), 0755);
    EXPECT_EQ(refusalOf(dir / "open/Ambertrove/Snapshots", 2, true), "");
    EXPECT_EQ(permissionsOf(dir / "open"), 0755);
    EXPECT_EQ(permissionsOf(dir / "open/Ambertrove"), 0700);
    EXPECT_EQ(permissionsOf(dir / "open/Ambertrove/Snapshots"), 0700);
    // Without leave to make it, a missing folder is missing.
    EXPECT_EQ(refusalOf(dir / "absent/Ambertrove", 1, false), "errno " + std::to_string(ENOENT));
    EXPECT_FALSE(test::exists(dir / "absent"));
}

TEST(AppStorage, AnOwnFolderOthersMayReadIsNarrowed) {
    const std::pair<mode_t, int> cases[] = {
        {0755, 0700}, {0750, 0700}, {0701, 0700}, {0700, 0700}, {0500, 0500}};
    for (const auto& [mode, expected] : cases) {
        test::TempDir dir;
        const std::string folder = dir.makeDir("Ambertrove");
        ASSERT_EQ(::chmod(folder.c_str(), mode), 0);
        EXPECT_EQ(refusalOf(folder, 1, false), "") << std::oct << mode;
        EXPECT_EQ(permissionsOf(folder), expected) << std::oct << mode;
    }
}

TEST(AppStorage, OnlyFoldersOfTheUsersOwnAreOpened) {
    // The own levels are opened without following links and refused unless the user alone can change them;
    // the folders above them are taken as the user arranged them.
    struct Case {
        const char* name;
        std::function<void(test::TempDir&)> make; // makes "data/Ambertrove", or what stands in its place
        std::string expected;                     // the refusal, with FOLDER for the folder's path
        bool rootOnly = false;
    };
    const uid_t other = ::geteuid() + 4242;
    const auto folderWithMode = [](mode_t mode) {
        return [mode](test::TempDir& dir) {
            ::chmod(dir.makeDir("data/Ambertrove").c_str(), mode);
        };
    };
    const std::vector<Case> cases = {
        {"the user's own", folderWithMode(0700), ""},
        {"open to everyone", folderWithMode(0777), "“FOLDER” can be changed by other users."},
        {"open to its group", folderWithMode(0770), "“FOLDER” can be changed by other users."},
        {"sticky and open to everyone", folderWithMode(01777), "“FOLDER” can be changed by other users."},
        {"writable by others alone", folderWithMode(0702), "“FOLDER” can be changed by other users."},
        {"a link to a folder of the user's",
         [](test::TempDir& dir) {
             ::chmod(dir.makeDir("real").c_str(), 0700);
             dir.makeSymlink("data/Ambertrove", dir / "real");
         },
         "“FOLDER” is a symbolic link, not a folder."},
        {"a dangling link", [](test::TempDir& dir) { dir.makeSymlink("data/Ambertrove", dir / "nowhere"); },
         "“FOLDER” is a symbolic link, not a folder."},
        {"a file", [](test::TempDir& dir) { dir.makeFile("data/Ambertrove", "x"); },
         "“FOLDER” is not a folder."},
        {"above the own level, a folder open to everyone",
         [](test::TempDir& dir) {
             ::chmod(dir.makeDir("data").c_str(), 0777);
             ::chmod(dir.makeDir("data/Ambertrove").c_str(), 0700);
         },
         ""},
        {"above the own level, a link",
         [](test::TempDir& dir) {
             ::chmod(dir.makeDir("real/Ambertrove").c_str(), 0700);
             dir.makeSymlink("data", dir / "real");
         },
         ""},
        {"owned by another user",
         [other](test::TempDir& dir) {
             const std::string folder = dir.makeDir("data/Ambertrove");
             ::chmod(folder.c_str(), 0700);
             ASSERT_EQ(::chown(folder.c_str(), other, ::getegid()), 0);
         },
         "“FOLDER” is owned by another user.", true},
        {"a link to a folder of another user",
         [other](test::TempDir& dir) {
             const std::string theirs = dir.makeDir("theirs");
             ::chmod(theirs.c_str(), 0755);
             ASSERT_EQ(::chown(theirs.c_str(), other, ::getegid()), 0);
             dir.makeSymlink("data/Ambertrove", theirs);
         },
         "“FOLDER” is a symbolic link, not a folder.", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.rootOnly && ::geteuid() != 0)
            continue; // giving a folder away needs root
        test::TempDir dir;
        c.make(dir);
        const std::string folder = dir / "data/Ambertrove";
        std::string expected = c.expected;
        if (const auto at = expected.find("FOLDER"); at != std::string::npos)
            expected.replace(at, 6, folder);
        EXPECT_EQ(refusalOf(folder, 1, false), expected);
        EXPECT_EQ(refusalOf(folder, 1, true), expected);
        // One level deeper, the same folder is refused as a folder on the way.
        EXPECT_EQ(refusalOf(folder + "/Snapshots", 2, true), expected);
        if (!expected.empty()) {
            EXPECT_FALSE(test::exists(folder + "/Snapshots"));
        }
    }
}

TEST(AppStorage, PreparingTheStateFolderMakesItPrivate) {
    test::TempDir dir;
    const test::ScopedUmask mask(022);
    const std::string share = dir / "data";
    const test::ScopedVariable data("XDG_DATA_HOME", share);
    EXPECT_EQ(AppStorage::prepareDirectory(), share + "/Ambertrove");
    EXPECT_EQ(permissionsOf(share), 0700);
    EXPECT_EQ(permissionsOf(share + "/Ambertrove"), 0700);

    // The former folder, made 0755 by an older version, while it is the one in use.
    test::TempDir other;
    const std::string former = other.makeDir("Tessavale");
    ::chmod(former.c_str(), 0755);
    const test::ScopedVariable otherData("XDG_DATA_HOME", other.path());
    EXPECT_EQ(AppStorage::prepareDirectory(), former);
    EXPECT_EQ(permissionsOf(former), 0700);

    // A state folder others may change is refused and left as it is: it is not made private.
    test::TempDir open;
    const std::string shared = open.makeDir("Ambertrove");
    ::chmod(shared.c_str(), 0777);
    const test::ScopedVariable openData("XDG_DATA_HOME", open.path());
    EXPECT_THROW((void)AppStorage::prepareDirectory(), AmbertroveError);
    EXPECT_EQ(permissionsOf(shared), 0777);
}

} // namespace
} // namespace ambertrove
