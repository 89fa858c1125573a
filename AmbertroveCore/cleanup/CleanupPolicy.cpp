#include "cleanup/CleanupPolicy.hpp"

#include "model/FileIdentity.hpp"
#include "platform/Bundle.hpp"
#include "platform/FileStatus.hpp"
#include "platform/MountTable.hpp"
#include "platform/PathResolution.hpp"
#include "platform/ProcText.hpp"
#include "platform/RunningPrograms.hpp"
#include "scan/ScanPaths.hpp"
#include "storage/AppStorage.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <vector>

namespace ambertrove {

namespace {

using PathResolution::isInside;

constexpr std::string_view kSymbolicLinks =
    "Symbolic links and paths through symbolic links cannot be staged.";
constexpr std::string_view kAppContents =
    "App contents are protected. Use Applications to uninstall the whole app.";
constexpr std::string_view kVendorApp = "This macOS app is protected and cannot be moved to Trash.";
constexpr std::string_view kProtectedData =
    "Protected system or account data — Ambertrove cannot move this to Trash.";
constexpr std::string_view kProtectedRoot =
    "This is a protected root folder. Select individual items inside it.";
constexpr std::string_view kItself = "Ambertrove cannot remove itself while running.";
constexpr std::string_view kSystemProtected = "This file is protected by macOS and cannot be moved to Trash.";
constexpr std::string_view kCannotCheck = "Ambertrove could not check whether this item is protected: ";

constexpr std::array<std::string_view, 7> kSystemPaths = {"/System",  "/bin", "/sbin",   "/usr",
                                                          "/private", "/dev", "/Library"};
constexpr std::array<std::string_view, 10> kHomePaths = {"/.Trash",
                                                         "/.ssh",
                                                         "/.gnupg",
                                                         "/Library/Keychains",
                                                         "/Library/Mail",
                                                         "/Library/Messages",
                                                         "/Library/Accounts",
                                                         "/Library/CloudStorage",
                                                         "/Library/Mobile Documents",
                                                         "/Library/Application Support/Ambertrove"};
// What this platform keeps in places of its own, and the usual swap files.
constexpr std::array<std::string_view, 17> kLinuxSystemPaths = {
    "/etc", "/var",  "/boot", "/lib", "/lib32", "/lib64",      "/libx32",   "/proc",    "/sys",
    "/run", "/root", "/snap", "/opt", "/srv",   "/lost+found", "/swapfile", "/swap.img"};
// The account data every account keeps in its home folder.
constexpr std::array<std::string_view, 4> kAccountData = {"/.ssh", "/.gnupg", "/.local/share/Trash",
                                                          "/.local/share/keyrings"};
// Those of the user's own that the protected paths above do not name already.
constexpr std::array<std::string_view, 2> kOwnAccountData = {"/.local/share/Trash", "/.local/share/keyrings"};
constexpr std::array<std::string_view, 4> kRoots = {"/", "/Users", "/Applications", "/Volumes"};
constexpr std::array<std::string_view, 4> kHomeRoots = {"/Library", "/Library/Application Support",
                                                        "/Library/Containers", "/Library/Preferences"};
constexpr std::array<std::string_view, 3> kLinuxRoots = {"/home", "/media", "/mnt"};

// The identity key of the entry at `path`, or nothing when its status cannot be read.
std::optional<std::string> identityKey(const std::string& path) {
    if (path.find('\0') != std::string::npos)
        return std::nullopt;
    FileStatus status;
    if (readFileStatus(AT_FDCWD, path.c_str(), status) != 0)
        return std::nullopt;
    return FileIdentity::fromStatus(status).key();
}

// With the data volume's prefix removed (keeping the leading "/"), when the path carries it.
std::optional<std::string> withoutDataPrefix(const std::string& path) {
    if (!isInside(path, ScanPaths::dataRoot))
        return std::nullopt;
    return path.substr(ScanPaths::dataRoot.size());
}

// The data folder the program's state and the home trash live in, for `home`.
std::string dataFolderFor(const std::string& home) {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    return AppStorage::applicationSupport(xdg ? std::optional<std::string>(xdg) : std::nullopt, home);
}

std::string joined(std::string_view base, std::string_view rest) {
    std::string out(base == "/" ? std::string_view() : base);
    out.append(rest);
    return out;
}

// `base` followed by `rest` and, when links lead elsewhere along it, the place it lies: account data may
// be kept elsewhere and reached through a link (a linked ".ssh", a data folder named through a link), while
// a judged path has every link resolved. `resolvedBase` is `base` with its links resolved, when they do not
// loop.
void addWhereItLies(std::vector<std::string>& paths, const std::string& base,
                    const std::optional<std::string>& resolvedBase, std::string_view rest) {
    std::string path = joined(base, rest);
    std::optional<std::string> resolved = resolvedBase
                                              ? PathResolution::resolvingSymlinks(*resolvedBase, rest)
                                              : PathResolution::resolvingSymlinks(path);
    paths.push_back(std::move(path));
    if (resolved && *resolved != paths.back())
        paths.push_back(std::move(*resolved));
}

// The account data folders of every account in `accountsFile` ("/etc/passwd" form) whose home folder is
// a real folder, under the home as written and as its links lead. Links further down are left to the
// identity rule, which follows them.
std::vector<std::string> everyAccountsData(const std::string& accountsFile) {
    std::vector<std::string> paths;
    const std::optional<std::string> text = ProcText::read(accountsFile);
    if (!text)
        return paths;
    // "name:password:uid:gid:comment:home:shell" a line; the home is the sixth field.
    std::set<std::string> homes;
    for (const std::string_view line : ProcText::lines(*text)) {
        std::string_view rest = line;
        for (int field = 0; field < 5 && !rest.empty(); ++field) {
            const std::size_t colon = rest.find(':');
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
        const std::string_view home = rest.substr(0, rest.find(':'));
        if (home.starts_with('/') && home.find('\0') == std::string_view::npos)
            homes.insert(PathResolution::standardized(home));
    }
    for (const std::string& home : homes) {
        struct stat st {};
        if (::stat(home.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        const std::string resolved = PathResolution::resolvingSymlinks(home).value_or(home);
        for (std::string_view q : kAccountData) {
            paths.push_back(joined(home, q));
            if (resolved != home)
                paths.push_back(joined(resolved, q));
        }
    }
    return paths;
}

// The (device, inode) of the entry at `path`, following a final link; nothing when it cannot be read.
std::optional<std::pair<std::int32_t, std::uint64_t>> followedIdentity(const std::string& path) {
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), AT_NO_AUTOMOUNT, STATX_INO, &sx) != 0)
        return std::nullopt;
    return std::pair{encodeDevice(sx.stx_dev_major, sx.stx_dev_minor),
                     static_cast<std::uint64_t>(sx.stx_ino)};
}

// The swap files and partitions in use, from a "/proc/swaps" file (names with "\ooo" escapes).
std::vector<std::string> swapsInUse(const std::string& swapsFile) {
    std::vector<std::string> paths;
    const std::optional<std::string> text = ProcText::read(swapsFile);
    if (!text)
        return paths;
    const std::vector<std::string_view> lines = ProcText::lines(*text);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::string_view rest = lines[i];
        const std::string_view field = ProcText::nextField(rest);
        std::string name;
        for (std::size_t at = 0; at < field.size(); ++at) {
            if (field[at] == '\\' && at + 3 < field.size() &&
                std::all_of(field.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                            field.begin() + static_cast<std::ptrdiff_t>(at) + 4,
                            [](char c) { return c >= '0' && c <= '7'; })) {
                name.push_back(static_cast<char>((field[at + 1] - '0') * 64 + (field[at + 2] - '0') * 8 +
                                                 (field[at + 3] - '0')));
                at += 3;
            } else {
                name.push_back(field[at]);
            }
        }
        if (name.starts_with('/'))
            paths.push_back(PathResolution::standardized(name));
    }
    return paths;
}

// ".Trash" or ".Trash-" and a user number: the names of the trash folders at the top of a mount.
bool isTrashName(std::string_view name) {
    if (name == ".Trash")
        return true;
    if (!name.starts_with(".Trash-") || name.size() == 7)
        return false;
    return std::all_of(name.begin() + 7, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// `base` followed by `rest` ("" or a path that begins with "/").
std::string underneath(const std::string& base, std::string_view rest) {
    if (rest.empty())
        return base;
    return joined(base, rest);
}

// What follows `folder` in `path`, which lies in it or is it: "" or text that begins with "/".
std::string_view remainder(std::string_view path, std::string_view folder) {
    if (path == folder)
        return {};
    return folder == "/" ? path : path.substr(folder.size());
}

} // namespace

struct CleanupPolicy::Protection {
    std::once_flag once;
    // The account data of every account, and the swap files in use.
    std::vector<std::string> paths;
    std::vector<MountTable::Mount> mounts;
    // The (device, inode) of every protected entry that exists.
    std::set<std::pair<std::int32_t, std::uint64_t>> identities;
    // This program's own location.
    std::optional<std::string> ownExecutable;
};

CleanupPolicy::CleanupPolicy(std::string homeFolder)
    : home(std::move(homeFolder))
    , dataHome(dataFolderFor(home))
    , m_protection(std::make_shared<Protection>()) {}

CleanupPolicy::CleanupPolicy(std::string homeFolder, std::string dataFolder, std::string proc)
    : home(std::move(homeFolder))
    , dataHome(std::move(dataFolder))
    , procRoot(std::move(proc))
    , m_protection(std::make_shared<Protection>()) {}

CleanupPolicy CleanupPolicy::forCurrentUser() {
    const std::string home = AppStorage::homeFolder();
    return CleanupPolicy(
        PathResolution::resolvingSymlinks(home).value_or(PathResolution::standardized(home)));
}

std::string CleanupPolicy::stateFolder() const {
    return AppStorage::resolve(dataHome);
}

int CleanupPolicy::readStatus(const std::string& path, FileStatus& out) const {
    if (statusOf)
        return statusOf(path, out);
    return readFileStatus(AT_FDCWD, path.c_str(), out);
}

std::vector<std::string> CleanupPolicy::protectedPaths() const {
    std::vector<std::string> paths;
    paths.reserve(kSystemPaths.size() + kHomePaths.size() + kLinuxSystemPaths.size() + 16);
    // The home and data folders are resolved once; only what lies inside them is read for each path.
    const std::optional<std::string> resolvedHome = PathResolution::resolvingSymlinks(home);
    const std::optional<std::string> resolvedData = PathResolution::resolvingSymlinks(dataHome);
    for (std::string_view q : kSystemPaths)
        paths.emplace_back(q);
    for (std::string_view q : kHomePaths)
        addWhereItLies(paths, home, resolvedHome, q);
    for (std::string_view q : kLinuxSystemPaths)
        paths.emplace_back(q);
    for (std::string_view q : kOwnAccountData)
        addWhereItLies(paths, home, resolvedHome, q);
    addWhereItLies(paths, dataHome, resolvedData, "/Trash");
    addWhereItLies(paths, dataHome, resolvedData, "/keyrings");
    // Both state folders: the one in use now may change while the policy lives, and the former one keeps
    // the user's records too once the current one exists. A plain file of the former name is no state
    // folder.
    const std::string current = "/" + std::string(AppStorage::kFolderName);
    addWhereItLies(paths, dataHome, resolvedData, current);
    const std::string former = "/" + std::string(AppStorage::kFormerFolderName);
    if (struct stat st{}; ::lstat(joined(dataHome, former).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        addWhereItLies(paths, dataHome, resolvedData, former);
    return paths;
}

const CleanupPolicy::Protection& CleanupPolicy::protection() const {
    Protection& p = *m_protection;
    std::call_once(p.once, [&] {
        p.paths = protectedPaths();
        const std::vector<std::string> others = everyAccountsData(accountsFile);
        p.paths.insert(p.paths.end(), others.begin(), others.end());
        const std::vector<std::string> swaps = swapsInUse(procRoot + "/swaps");
        p.paths.insert(p.paths.end(), swaps.begin(), swaps.end());
        p.mounts = MountTable::mounts(mountTable).value_or(std::vector<MountTable::Mount>{});
        p.ownExecutable = RunningPrograms::ownExecutable(procRoot);
        // Every protected entry as written; where it is a link, also what the link leads to (so that data
        // kept elsewhere through a link is known by what it is, without resolving every path).
        std::vector<std::string> all;
        for (std::string_view q : kSystemPaths)
            all.emplace_back(q);
        for (std::string_view q : kHomePaths)
            all.push_back(joined(home, q));
        for (std::string_view q : kLinuxSystemPaths)
            all.emplace_back(q);
        for (std::string_view q : kOwnAccountData)
            all.push_back(joined(home, q));
        for (std::string_view q : {"/Trash", "/keyrings"})
            all.push_back(joined(dataHome, q));
        all.insert(all.end(), others.begin(), others.end());
        all.insert(all.end(), swaps.begin(), swaps.end());
        // The state folders count only as folders: a plain file of their name is nobody's state.
        const std::size_t stateFrom = all.size();
        for (std::string_view name : {AppStorage::kFolderName, AppStorage::kFormerFolderName})
            all.push_back(joined(dataHome, "/" + std::string(name)));
        for (std::size_t i = 0; i < all.size(); ++i) {
            const std::string& q = all[i];
            FileStatus status;
            if (readStatus(q, status) != 0 || (i >= stateFrom && !status.isDirectory()))
                continue;
            p.identities.emplace(status.device, status.inode);
            if (status.isSymbolicLink())
                if (const auto target = followedIdentity(q))
                    p.identities.insert(*target);
        }
    });
    return p;
}

bool CleanupPolicy::isTopTrash(const std::string& path) const {
    const std::vector<MountTable::Mount>& mounts = protection().mounts;
    const auto isMountTop = [&](const std::string& folder) {
        return folder == "/" ||
               std::any_of(mounts.begin(), mounts.end(), [&](const auto& m) { return m.target == folder; });
    };
    std::string folder = "/";
    for (const std::string_view piece : PathResolution::components(path)) {
        if (isTrashName(piece) && isMountTop(folder))
            return true;
        folder = joined(folder, "/" + std::string(piece));
    }
    return false;
}

std::vector<std::string> CleanupPolicy::otherViews(const std::string& path) const {
    // The mount that shows `path` (the deepest one holding it; of two at one place, the later) shows a
    // folder of its file system; every other mount of that file system showing a folder that holds the
    // same entry gives another path to it.
    const std::vector<MountTable::Mount>& mounts = protection().mounts;
    const MountTable::Mount* shown = nullptr;
    for (const MountTable::Mount& m : mounts)
        if (PathResolution::isSameOrInside(path, m.target) &&
            (!shown || m.target.size() >= shown->target.size()))
            shown = &m;
    std::vector<std::string> views;
    if (!shown)
        return views;
    const std::string inFileSystem = underneath(shown->root, remainder(path, shown->target));
    for (const MountTable::Mount& other : mounts)
        if (&other != shown && other.device == shown->device &&
            PathResolution::isSameOrInside(inFileSystem, other.root))
            views.push_back(underneath(other.target, remainder(inFileSystem, other.root)));
    return views;
}

std::optional<std::string> CleanupPolicy::rejection(std::string_view path) const {
    // 1. Standardize, then resolve every link along the path.
    const std::string standardized = PathResolution::standardized(path);
    const std::optional<std::string> resolvedOrLoop = PathResolution::resolvingSymlinks(standardized);
    // Links that loop are links all the same.
    if (!resolvedOrLoop)
        return std::string(kSymbolicLinks);
    const std::string& resolved = *resolvedOrLoop;

    // 2. The data volume's form of a path names the same item as the path without the prefix.
    bool isDataAlias = false;
    if (const std::optional<std::string> stripped = withoutDataPrefix(standardized)) {
        isDataAlias = *stripped == resolved && identityKey(standardized) == identityKey(resolved) &&
                      PathResolution::entryExists(resolved);
    }

    // 3. Links anywhere along the path.
    if (standardized != resolved && !isDataAlias)
        return std::string(kSymbolicLinks);

    // 4. The path judged from here on.
    std::string judged = resolved;
    if (const std::optional<std::string> stripped = withoutDataPrefix(resolved)) {
        const std::optional<std::string> resolvedKey = identityKey(resolved);
        if (resolvedKey && resolvedKey == identityKey(*stripped))
            judged = *stripped;
    }

    // 5. Inside an application bundle.
    const std::vector<std::string_view> pieces = PathResolution::components(judged);
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i)
        if (Bundle::hasApplicationExtension(pieces[i]))
            return std::string(kAppContents);

    // 6. The system vendor's applications.
    if (Bundle::hasApplicationExtension(judged) && Bundle::isSystemVendorBundle(judged))
        return std::string(kVendorApp);

    // 7. Protected data, and every folder that contains some: by the text of the path, of the other paths
    // the mounts give to the same entry, and by what the entry and its folders are.
    const Protection& known = protection();
    const std::vector<std::string>& paths = known.paths;
    const auto isProtected = [&](const std::string& p) {
        for (const std::string& q : paths)
            if (p == q || isInside(p, q) || isInside(q, p))
                return true;
        return isTopTrash(p);
    };
    if (isProtected(judged))
        return std::string(kProtectedData);
    for (const std::string& view : otherViews(judged))
        if (isProtected(view))
            return std::string(kProtectedData);
    for (std::string at = judged;; at = PathResolution::parentPath(at)) {
        FileStatus status;
        if (const int error = readStatus(at, status); error == 0) {
            if (known.identities.contains({status.device, status.inode}))
                return std::string(kProtectedData);
        } else if (error != ENOENT && error != ENOTDIR) {
            return std::string(kCannotCheck) + std::generic_category().message(error) + ".";
        }
        if (at == "/")
            break;
    }

    // 8. Roots, which only the items inside may leave.
    const auto isRoot = [&] {
        for (std::string_view r : kRoots)
            if (judged == r)
                return true;
        if (judged == home)
            return true;
        for (std::string_view r : kHomeRoots)
            if (judged == joined(home, r))
                return true;
        for (std::string_view r : kLinuxRoots)
            if (judged == r)
                return true;
        return false;
    };
    if (isRoot())
        return std::string(kProtectedRoot);

    // 9. The running program itself.
    if (const std::optional<std::string>& own = known.ownExecutable; own && judged == *own)
        return std::string(kItself);

    // 10. Protection attributes.
    return fileProtection(judged);
}

std::optional<std::string> CleanupPolicy::fileProtection(const std::string& path) {
    // A NUL would end the path early and the status of another entry would be read.
    if (path.find('\0') != std::string::npos)
        return std::string(kCannotCheck) + std::generic_category().message(EINVAL) + ".";
    FileStatus status;
    // Nothing there is nothing to protect; a status that cannot be read is a check that cannot be made,
    // and the item stays.
    if (const int error = readFileStatus(AT_FDCWD, path.c_str(), status); error == ENOENT || error == ENOTDIR)
        return std::nullopt;
    else if (error != 0)
        return std::string(kCannotCheck) + std::generic_category().message(error) + ".";
    // The kernel's immutable attribute is the one protection this platform has; it stands for the system
    // flag. There is no separate user lock here.
    if (status.isImmutable)
        return std::string(kSystemProtected);
    return std::nullopt;
}

} // namespace ambertrove
