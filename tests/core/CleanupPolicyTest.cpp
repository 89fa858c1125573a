#include "cleanup/CleanupPolicy.hpp"
#include "platform/Bundle.hpp"
#include "platform/PathResolution.hpp"
#include "platform/PropertyList.hpp"
#include "storage/AppStorage.hpp"
#include "support/BindMount.hpp"
#include "support/CaseName.hpp"
#include "support/CleanupFixture.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <plist/plist.h>
#include <unistd.h>

namespace ambertrove {
namespace {

using test::setImmutable;
using test::TempDir;

const std::string kLinks = "Symbolic links and paths through symbolic links cannot be staged.";
const std::string kAppContents = "App contents are protected. Use Applications to uninstall the whole app.";
const std::string kVendorApp = "This macOS app is protected and cannot be moved to Trash.";
const std::string kData = "Protected system or account data — Ambertrove cannot move this to Trash.";
const std::string kRoot = "This is a protected root folder. Select individual items inside it.";
const std::string kItself = "Ambertrove cannot remove itself while running.";
const std::string kSystemFlag = "This file is protected by macOS and cannot be moved to Trash.";

std::string xmlPlist(const std::string& identifier) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\"><dict>\n"
           "<key>CFBundleIdentifier</key><string>" +
           identifier +
           "</string>\n"
           "<key>CFBundleName</key><string>Calc</string>\n"
           "<key>LSMinimumSystemVersion</key><integer>12</integer>\n"
           "</dict></plist>\n";
}

std::string binaryPlist(const std::string& identifier) {
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "CFBundleIdentifier", plist_new_string(identifier.c_str()));
    char* data = nullptr;
    uint32_t length = 0;
    plist_to_bin(dict, &data, &length);
    std::string out(data, length);
    std::free(data);
    plist_free(dict);
    return out;
}

// Rules that depend on the text of the path only: none of these paths exist on a Linux test machine, and
// the policy only reads.
struct TextCase {
    const char* path;
    std::optional<std::string> expected;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.path;
}

class PolicyTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(PolicyTextTest, GivesTheFirstObjection) {
    TempDir dir;
    CleanupPolicy policy("/Users/ann", dir / "data", dir / "proc");
    // No other accounts: their homes would make the folders holding them protected data.
    policy.accountsFile = dir / "passwd";
    EXPECT_EQ(policy.rejection(GetParam().path), GetParam().expected) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PolicyTextTest,
    ::testing::Values(
        TextCase{"/", kData}, // contains "/System" before it is a root
        TextCase{"/Users/ann", kData}, TextCase{"/Users", kData}, TextCase{"/Users/ann/Library", kData},
        TextCase{"/Users/ann/Library/Application Support", kData},
        TextCase{"/Users/ann/Library/Containers", kRoot}, TextCase{"/Users/ann/Library/Preferences", kRoot},
        TextCase{"/Applications", kRoot}, TextCase{"/Volumes", kRoot},
        TextCase{"/Library/Caches/com.example/cache.db", kData}, TextCase{"/usr", kData},
        TextCase{"/System/Volumes/Data/Users/ann", kData}, TextCase{"/usr/local/bin/tool", kData},
        TextCase{"/usr2", std::nullopt}, TextCase{"/usr2/file", std::nullopt},
        TextCase{"/usr/../usr2/file", std::nullopt}, TextCase{"/Users/ann/.ssh/id_ed25519", kData},
        TextCase{"/Users/ann/Documents/../.ssh", kData}, TextCase{"/Users/ann/.sshx", std::nullopt},
        TextCase{"/Users/ann/.Trash/old.txt", kData}, TextCase{"/Users/ann/.gnupg", kData},
        TextCase{"/Users/ann/Library/Mobile Documents/x", kData},
        TextCase{"/Users/ann/Library/Application Support/Ambertrove/cleanup.json", kData},
        TextCase{"/Users/ann/Library/Caches", std::nullopt},
        TextCase{"/Users/ann/Documents/report.pdf", std::nullopt},
        TextCase{"/Applications/Calc.app/Contents/Info.plist", kAppContents},
        TextCase{"/Applications/Calc.APP/Contents/MacOS/calc", kAppContents},
        TextCase{"/Users/ann/Tools/Old.aPp/x", kAppContents},
        TextCase{"/Applications/Calc.app", std::nullopt}, // no bundle to open
        TextCase{"/Applications/app/x", std::nullopt}, TextCase{"/private/var/tmp", kData},
        TextCase{"/etc/passwd", kData}, TextCase{"/var/tmp/x", kData}, TextCase{"/boot", kData},
        TextCase{"/libx32", kData}, TextCase{"/proc/1", kData}, TextCase{"/sys", kData},
        TextCase{"/run/user", kData}, TextCase{"/root/.bashrc", kData}, TextCase{"/snap/core", kData},
        TextCase{"/Users/ann/.local/share/Trash/files/a", kData},
        TextCase{"/Users/ann/.local/share", kData}, // contains the home trash
        TextCase{"/home", kRoot}, TextCase{"/media", kRoot}, TextCase{"/mnt", kRoot},
        TextCase{"/mnt/usb/photos", std::nullopt}, TextCase{"/homework", std::nullopt}),
    [](const auto& row) { return test::pathName(row.param.path); });

TEST(CleanupPolicy, LinuxHomeUnderHomeIsProtectedDataWithItsParent) {
    TempDir dir;
    CleanupPolicy policy("/home/ann", dir / "data", dir / "proc");
    policy.accountsFile = dir / "passwd";
    EXPECT_EQ(policy.rejection("/home"), kData);
    EXPECT_EQ(policy.rejection("/home/ann"), kData);
    EXPECT_EQ(policy.rejection("/home/bob"), std::nullopt);
}

struct FolderFixture {
    TempDir dir;
    std::string home = dir.makeDir("home");
    CleanupPolicy policy{home, home + "/.local/share", dir.makeDir("proc")};
};

TEST(CleanupPolicy, PathsThroughSymbolicLinksAreRefused) {
    FolderFixture f;
    f.dir.makeFile("home/real/notes.txt", "n");
    f.dir.makeSymlink("home/link", f.home + "/real");
    f.dir.makeSymlink("home/relative", "real");
    f.dir.makeSymlink("home/file-link", f.home + "/real/notes.txt");
    f.dir.makeSymlink("home/dangling", f.home + "/missing");
    f.dir.makeSymlink("home/loop", f.home + "/loop");

    EXPECT_EQ(f.policy.rejection(f.home + "/real/notes.txt"), std::nullopt);
    EXPECT_EQ(f.policy.rejection(f.home + "/real"), std::nullopt);
    EXPECT_EQ(f.policy.rejection(f.home + "/link/notes.txt"), kLinks);
    EXPECT_EQ(f.policy.rejection(f.home + "/relative/notes.txt"), kLinks);
    EXPECT_EQ(f.policy.rejection(f.home + "/link"), kLinks);
    EXPECT_EQ(f.policy.rejection(f.home + "/file-link"), kLinks);
    EXPECT_EQ(f.policy.rejection(f.home + "/dangling"), kLinks);
    EXPECT_EQ(f.policy.rejection(f.home + "/loop"), kLinks);
    EXPECT_EQ(f.policy.rejection(f.home + "/link/missing/deeper"), kLinks);
    // "." and ".." are removed by text before links are looked at.
    EXPECT_EQ(f.policy.rejection(f.home + "/real/./notes.txt"), std::nullopt);
    EXPECT_EQ(f.policy.rejection(f.home + "/missing/../real/notes.txt"), std::nullopt);
    EXPECT_EQ(f.policy.rejection(f.home + "/never/existed"), std::nullopt);
}

TEST(CleanupPolicy, ResolvesTheLongestExistingPrefixAndAppendsTheRest) {
    TempDir dir;
    dir.makeDir("a/b");
    dir.makeSymlink("l", "a/b/../b");
    dir.makeSymlink("up", "a/..");
    EXPECT_EQ(PathResolution::resolvingSymlinks(dir / "l/x/y"), dir / "a/b/x/y");
    EXPECT_EQ(PathResolution::resolvingSymlinks(dir / "up/a"), dir / "a");
    EXPECT_EQ(PathResolution::resolvingSymlinks(dir / "a/b"), dir / "a/b");
    EXPECT_EQ(PathResolution::resolvingSymlinks("/"), "/");
    EXPECT_EQ(PathResolution::standardized("/a/./b/../c//d/"), "/a/c/d");
    EXPECT_EQ(PathResolution::standardized("/../.."), "/");
}

TEST(CleanupPolicy, SystemVendorApplicationsAreRefusedByTheirInfoPlist) {
    FolderFixture f;
    f.dir.makeFile("home/Apps/Calc.app/Contents/Info.plist", xmlPlist("com.apple.calculator"));
    f.dir.makeFile("home/Apps/Loud.APP/Contents/Info.plist", binaryPlist("com.apple.loud"));
    f.dir.makeFile("home/Apps/Other.app/Contents/Info.plist", xmlPlist("com.example.other"));
    f.dir.makeFile("home/Apps/Upper.app/Contents/Info.plist", xmlPlist("COM.APPLE.upper"));
    f.dir.makeFile("home/Apps/Broken.app/Contents/Info.plist", "not a property list");
    f.dir.makeDir("home/Apps/Empty.app");

    EXPECT_EQ(Bundle::identifier(f.home + "/Apps/Calc.app"), "com.apple.calculator");
    EXPECT_EQ(Bundle::identifier(f.home + "/Apps/Loud.APP"), "com.apple.loud");
    EXPECT_EQ(f.policy.rejection(f.home + "/Apps/Calc.app"), kVendorApp);
    EXPECT_EQ(f.policy.rejection(f.home + "/Apps/Loud.APP"), kVendorApp);
    EXPECT_EQ(f.policy.rejection(f.home + "/Apps/Other.app"), std::nullopt);
    EXPECT_EQ(f.policy.rejection(f.home + "/Apps/Upper.app"), std::nullopt);
    EXPECT_EQ(f.policy.rejection(f.home + "/Apps/Broken.app"), std::nullopt);
    EXPECT_EQ(f.policy.rejection(f.home + "/Apps/Empty.app"), std::nullopt);
    EXPECT_EQ(f.policy.rejection(f.home + "/Apps/Other.app/Contents/Info.plist"), kAppContents);
}

TEST(CleanupPolicy, PropertyListKeepsTextValuesOnly) {
    const std::optional<PropertyList> list = PropertyList::parse(xmlPlist("com.example.x"));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->string("CFBundleIdentifier"), "com.example.x");
    EXPECT_EQ(list->string("CFBundleName"), "Calc");
    EXPECT_EQ(list->string("LSMinimumSystemVersion"), std::nullopt);
    EXPECT_EQ(list->strings().size(), 2u);
    EXPECT_FALSE(PropertyList::parse("<plist version=\"1.0\"><array/></plist>"));
    EXPECT_FALSE(PropertyList::parse(""));
    EXPECT_FALSE(PropertyList::readFile("/nonexistent/Info.plist"));
}

TEST(CleanupPolicy, TheStateFolderInUseIsProtected) {
    FolderFixture f;
    const std::string share = f.home + "/.local/share";
    // Nothing yet: the current folder is the one to protect.
    EXPECT_EQ(f.policy.stateFolder(), share + "/Ambertrove");
    EXPECT_EQ(f.policy.rejection(share + "/Ambertrove/receipts.json"), kData);

    f.dir.makeFile("home/.local/share/Tessavale/receipts.json", "[]");
    EXPECT_EQ(f.policy.stateFolder(), share + "/Tessavale");
    EXPECT_EQ(f.policy.rejection(share + "/Tessavale/receipts.json"), kData);
    EXPECT_EQ(f.policy.rejection(share + "/Tessavale"), kData);

    // The former folder still holds the user's records once the current one exists.
    f.dir.makeDir("home/.local/share/Ambertrove");
    EXPECT_EQ(f.policy.stateFolder(), share + "/Ambertrove");
    EXPECT_EQ(f.policy.rejection(share + "/Ambertrove"), kData);
    EXPECT_EQ(f.policy.rejection(share + "/Tessavale"), kData);
    EXPECT_EQ(f.policy.rejection(share + "/Tessavale/receipts.json"), kData);
}

TEST(CleanupPolicy, AFormerStateFileIsNotTheStateFolder) {
    FolderFixture f;
    f.dir.makeFile("home/.local/share/Tessavale", "plain file");
    EXPECT_EQ(f.policy.stateFolder(), f.home + "/.local/share/Ambertrove");
    EXPECT_EQ(f.policy.rejection(f.home + "/.local/share/Tessavale"), std::nullopt);
}

TEST(CleanupPolicy, TheDataFolderTrashIsProtectedWhereverItIs) {
    TempDir dir;
    const std::string home = dir.makeDir("home");
    const std::string data = dir.makeDir("xdg");
    const CleanupPolicy policy(home, data, dir / "proc");
    EXPECT_EQ(policy.rejection(data + "/Trash/files/x"), kData);
    EXPECT_EQ(policy.rejection(data + "/Ambertrove"), kData);
    EXPECT_EQ(policy.rejection(data + "/other"), std::nullopt);
    EXPECT_EQ(policy.rejection(home + "/.local/share/Trash"), kData);
}

TEST(CleanupPolicy, TheDataFolderTrashAndStateAreProtectedWhenReachedThroughALink) {
    TempDir dir;
    const std::string home = dir.makeDir("home");
    const std::string real = dir.makeDir("real-data");
    const std::string linked = dir.makeSymlink("xdg", real);
    const CleanupPolicy policy(home, linked, dir / "proc");
    EXPECT_EQ(policy.rejection(real + "/Trash/files/x"), kData);
    EXPECT_EQ(policy.rejection(real + "/Trash"), kData);
    EXPECT_EQ(policy.rejection(real + "/Ambertrove/receipts.json"), kData);
    EXPECT_EQ(policy.rejection(real + "/other"), std::nullopt);
}

TEST(CleanupPolicy, AccountDataKeptElsewhereThroughALinkIsProtectedWhereItLies) {
    TempDir dir;
    const std::string home = dir.makeDir("home");
    const std::string keys = dir.makeDir("home/dotfiles/ssh");
    dir.makeFile("home/dotfiles/ssh/id_ed25519", "secret");
    dir.makeSymlink("home/.ssh", keys);
    dir.makeFile("home/dotfiles/vimrc", "set nu");
    const CleanupPolicy policy(home, dir / "data", dir / "proc");
    EXPECT_EQ(policy.rejection(keys + "/id_ed25519"), kData);
    EXPECT_EQ(policy.rejection(keys), kData);
    EXPECT_EQ(policy.rejection(home + "/dotfiles"), kData);
    EXPECT_EQ(policy.rejection(home + "/dotfiles/vimrc"), std::nullopt);
}

TEST(CleanupPolicy, TheRunningProgramCannotRemoveItself) {
    FolderFixture f;
    const std::string program = f.dir.makeFile("home/bin/ambertrove", "binary");
    f.dir.makeDir("proc/self");
    f.dir.makeSymlink("proc/self/exe", program);
    EXPECT_EQ(f.policy.rejection(program), kItself);
    EXPECT_EQ(f.policy.rejection(f.home + "/bin"), std::nullopt);
}

TEST(CleanupPolicy, TheRealProgramLocationIsReadFromProc) {
    TempDir dir;
    const CleanupPolicy policy(dir / "home", dir / "data");
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    EXPECT_EQ(policy.rejection(self), kItself);
}

TEST(CleanupPolicy, AStatusThatCannotBeReadRefusesTheItem) {
    TempDir dir;
    const std::string tooLong = dir / (std::string(300, 'n') + ".txt");
    EXPECT_EQ(CleanupPolicy::fileProtection(tooLong),
              "Ambertrove could not check whether this item is protected: File name too long.");
    EXPECT_EQ(CleanupPolicy::fileProtection(dir.makeFile("a", "a") + std::string("\0b", 2)),
              "Ambertrove could not check whether this item is protected: Invalid argument.");
    // The policy's own status reads refuse alike.
    CleanupPolicy policy(dir / "home", dir / "data", dir / "proc");
    dir.makeFile("box/a.txt", "a");
    policy.statusOf = [&](const std::string& path, FileStatus& out) {
        return path == dir / "box" ? EIO : readFileStatus(AT_FDCWD, path.c_str(), out);
    };
    EXPECT_EQ(policy.rejection(dir / "box/a.txt"),
              "Ambertrove could not check whether this item is protected: Input/output error.");
}

TEST(CleanupPolicy, APathThatDoesNotExistHasNoFlagObjection) {
    TempDir dir;
    EXPECT_EQ(CleanupPolicy::fileProtection(dir / "missing"), std::nullopt);
    EXPECT_EQ(CleanupPolicy::fileProtection(dir.makeFile("plain", "x")), std::nullopt);
}

TEST(CleanupPolicy, AnImmutableFileIsProtected) {
    FolderFixture f;
    const std::string file = f.dir.makeFile("home/locked.txt", "x");
    if (const int error = setImmutable(file, true); error != 0)
        GTEST_SKIP() << "the immutable attribute cannot be set here: " << std::strerror(error);
    const std::optional<std::string> single = CleanupPolicy::fileProtection(file);
    const std::optional<std::string> judged = f.policy.rejection(file);
    ASSERT_EQ(setImmutable(file, false), 0);
    EXPECT_EQ(single, kSystemFlag);
    EXPECT_EQ(judged, kSystemFlag);
}

TEST(CleanupPolicy, MoreSystemPlacesAndTheSwapFilesInUseAreProtected) {
    TempDir dir;
    CleanupPolicy policy(dir / "home", dir / "data", dir / "proc");
    policy.accountsFile = dir / "passwd";
    dir.makeFile("proc/swaps", "Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n"
                               "/data/my\\040swap\t\t\t\tfile\t\t1048572\t\t0\t\t-2\n"
                               "/dev/dm-1\t\t\t\tpartition\t\t8388604\t\t0\t\t-3\n");
    for (const char* path : {"/opt", "/opt/tool/bin/tool", "/srv/www/index.html", "/lost+found",
                             "/lost+found/#1234", "/swapfile", "/swap.img", "/data/my swap", "/data"})
        EXPECT_EQ(policy.rejection(path), kData) << path;
    for (const char* path : {"/optional", "/srvx", "/data/other", "/data/my", "/swapfile2"})
        EXPECT_EQ(policy.rejection(path), std::nullopt) << path;
}

TEST(CleanupPolicy, TheAccountDataOfEveryAccountIsProtected) {
    TempDir dir;
    const std::string home = dir.makeDir("home/ann");
    const std::string bob = dir.makeDir("home/bob");
    dir.makeFile("home/bob/Documents/letter.txt", "l");
    CleanupPolicy policy(home, home + "/.local/share", dir / "proc");
    policy.accountsFile =
        dir.makeFile("passwd", "ann:x:1000:1000::" + home + ":/bin/sh\n" + "bob:x:1001:1001::" + bob +
                                   ":/bin/sh\n" + "ghost:x:1002:1002::" + dir / "home/ghost" + ":/bin/sh\n" +
                                   "daemon:x:1:1::relative:/bin/sh\n");
    for (const std::string& path :
         {bob + "/.ssh/authorized_keys", bob + "/.gnupg", bob + "/.local/share/Trash/files/x",
          bob + "/.local/share/keyrings/login.keyring", bob, home + "/.local/share/keyrings/login.keyring"})
        EXPECT_EQ(policy.rejection(path), kData) << path;
    // A home that is not a real folder holds nothing to protect.
    for (const std::string& path : {bob + "/Documents/letter.txt", dir / "home/ghost/.ssh/id"})
        EXPECT_EQ(policy.rejection(path), std::nullopt) << path;
}

// ---- trash folders on every disk, and protection by what a path is ----------------------------------

// A mount table in the kernel's form: the root, a disk at `volume`, and `view` showing that disk's
// trash folder of user 1000 a second time.
std::string mountInfo(const std::string& volume, const std::string& view) {
    return "21 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
           "40 21 8:17 / " +
           volume + " rw,relatime - ext4 /dev/sdb1 rw\n" + "41 21 8:17 /.Trash-1000 " + view +
           " rw,relatime - ext4 /dev/sdb1 rw\n";
}

TEST(CleanupPolicy, TrashFoldersAtTheTopOfEveryMountAreProtected) {
    TempDir dir;
    const std::string home = dir.makeDir("home");
    const std::string volume = dir.makeDir("volume");
    const std::string view = dir.makeDir("view");
    dir.makeFile("volume/.Trash-1000/files/x", "x");
    dir.makeFile("volume/.Trash-1000/info/x.trashinfo", "[Trash Info]\n");
    dir.makeFile("volume/.Trash/1000/files/y", "y");
    dir.makeFile("volume/photos/cat.jpg", "meow");
    dir.makeFile("home/docs/.Trash-1000/a", "a");
    CleanupPolicy policy(home, home + "/.local/share", dir / "proc");
    policy.mountTable = dir.makeFile("mountinfo", mountInfo(volume, view));
    for (const std::string& path :
         {volume + "/.Trash-1000/files/x", volume + "/.Trash-1000/info", volume + "/.Trash-1000",
          volume + "/.Trash/1000/files/y", volume + "/.Trash", volume + "/.Trash-0",
          std::string("/.Trash-0/files/z"), std::string("/.Trash"), view + "/files/x", view + "/info"})
        EXPECT_EQ(policy.rejection(path), kData) << path;
    for (const std::string& path : {volume + "/photos/cat.jpg", volume + "/.Trash-x", volume + "/photos",
                                    home + "/docs/.Trash-1000/a", home + "/docs/.Trash-1000"})
        EXPECT_EQ(policy.rejection(path), std::nullopt) << path;
}

TEST(CleanupPolicy, AFolderShowingProtectedDataUnderAnotherPathIsProtected) {
    // "keys-view" stands for a second path to ".ssh" (a bind mount): the status source says what it is.
    TempDir dir;
    const std::string home = dir.makeDir("home");
    const std::string ssh = dir.makeDir("home/.ssh");
    dir.makeFile("home/.ssh/id_ed25519", "secret");
    const std::string view = dir.makeDir("home/keys-view");
    dir.makeFile("home/keys-view/id_ed25519", "secret");
    dir.makeFile("home/other/notes.txt", "n");
    int reads = 0;
    CleanupPolicy policy(home, home + "/.local/share", dir / "proc");
    policy.statusOf = [&](const std::string& path, FileStatus& out) {
        ++reads;
        const bool shown = path == view || PathResolution::isInside(path, view);
        const std::string real = shown ? ssh + path.substr(view.size()) : path;
        return readFileStatus(AT_FDCWD, real.c_str(), out);
    };
    EXPECT_EQ(policy.rejection(view + "/id_ed25519"), kData);
    EXPECT_EQ(policy.rejection(view), kData);
    EXPECT_EQ(policy.rejection(home + "/other/notes.txt"), std::nullopt);
    EXPECT_EQ(policy.rejection(home + "/other"), std::nullopt);
    EXPECT_GT(reads, 0);
}

TEST(CleanupPolicy, ABindMountOfProtectedDataIsProtected) {
    TempDir dir;
    const std::string home = dir.makeDir("home");
    const std::string ssh = dir.makeDir("home/.ssh");
    dir.makeFile("home/.ssh/id_ed25519", "secret");
    const std::string view = dir.makeDir("home/keys-view");
    const test::BindMount bind(ssh, view);
    if (!bind.made())
        GTEST_SKIP() << bind.why();
    const CleanupPolicy policy(home, home + "/.local/share", dir / "proc");
    EXPECT_EQ(policy.rejection(view + "/id_ed25519"), kData);
    EXPECT_EQ(policy.rejection(view), kData);
    EXPECT_EQ(policy.rejection(home + "/notes.txt"), std::nullopt);
}

TEST(CleanupPolicy, TheCurrentUsersPolicyUsesTheResolvedHome) {
    // Only reads: the real home is never written by the policy.
    const CleanupPolicy policy = CleanupPolicy::forCurrentUser();
    EXPECT_EQ(PathResolution::resolvingSymlinks(policy.home), policy.home);
    EXPECT_EQ(policy.rejection("/"), kData);
    EXPECT_EQ(policy.rejection(policy.home), kData);
    const char* xdg = std::getenv("XDG_DATA_HOME");
    EXPECT_EQ(policy.dataHome, xdg && xdg[0] == '/' ? std::string(xdg) : policy.home + "/.local/share");
    EXPECT_EQ(policy.stateFolder(), AppStorage::resolve(policy.dataHome));
}

} // namespace
} // namespace ambertrove
