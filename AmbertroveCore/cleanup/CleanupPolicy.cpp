#include "cleanup/CleanupPolicy.hpp"

#include "model/FileIdentity.hpp"
#include "platform/Bundle.hpp"
#include "platform/FileStatus.hpp"
#include "platform/PathResolution.hpp"
#include "platform/RunningPrograms.hpp"
#include "scan/ScanPaths.hpp"
#include "storage/AppStorage.hpp"

#include <array>
#include <cstdlib>
#include <fcntl.h>
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
// What this platform keeps in places of its own.
constexpr std::array<std::string_view, 12> kLinuxSystemPaths = {"/etc",   "/var",   "/boot",   "/lib",
                                                                "/lib32", "/lib64", "/libx32", "/proc",
                                                                "/sys",   "/run",   "/root",   "/snap"};
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

} // namespace

CleanupPolicy::CleanupPolicy(std::string homeFolder)
    : home(std::move(homeFolder))
    , dataHome(dataFolderFor(home)) {}

CleanupPolicy::CleanupPolicy(std::string homeFolder, std::string dataFolder, std::string proc)
    : home(std::move(homeFolder))
    , dataHome(std::move(dataFolder))
    , procRoot(std::move(proc)) {}

CleanupPolicy CleanupPolicy::forCurrentUser() {
    const std::string home = AppStorage::homeFolder();
    return CleanupPolicy(
        PathResolution::resolvingSymlinks(home).value_or(PathResolution::standardized(home)));
}

std::string CleanupPolicy::stateFolder() const {
    return AppStorage::resolve(dataHome);
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

    // 7. Protected data, and every folder that contains some.
    std::vector<std::string> protectedPaths;
    protectedPaths.reserve(kSystemPaths.size() + kHomePaths.size() + kLinuxSystemPaths.size() + 3);
    for (std::string_view q : kSystemPaths)
        protectedPaths.emplace_back(q);
    // Account data may be kept elsewhere and reached through a link (a linked ".ssh", a data folder
    // named through a link), while the judged path has every link resolved: it is protected where it lies.
    const auto protectWhereItLies = [&](std::string q) {
        std::optional<std::string> resolvedQ = PathResolution::resolvingSymlinks(q);
        protectedPaths.push_back(std::move(q));
        if (resolvedQ && *resolvedQ != protectedPaths.back())
            protectedPaths.push_back(std::move(*resolvedQ));
    };
    for (std::string_view q : kHomePaths)
        protectWhereItLies(joined(home, q));
    for (std::string_view q : kLinuxSystemPaths)
        protectedPaths.emplace_back(q);
    protectWhereItLies(joined(home, "/.local/share/Trash"));
    protectWhereItLies(joined(dataHome, "/Trash"));
    protectWhereItLies(stateFolder());
    for (const std::string& q : protectedPaths)
        if (judged == q || isInside(judged, q) || isInside(q, judged))
            return std::string(kProtectedData);

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
    if (const std::optional<std::string> own = RunningPrograms::ownExecutable(procRoot);
        own && judged == *own)
        return std::string(kItself);

    // 10. Protection attributes.
    return fileProtection(judged);
}

std::optional<std::string> CleanupPolicy::fileProtection(const std::string& path) {
    if (path.find('\0') != std::string::npos)
        return std::nullopt;
    FileStatus status;
    if (readFileStatus(AT_FDCWD, path.c_str(), status) != 0)
        return std::nullopt;
    // The kernel's immutable attribute is the one protection this platform has; it stands for the system
    // flag. There is no separate user lock here.
    if (status.isImmutable)
        return std::string(kSystemProtected);
    return std::nullopt;
}

} // namespace ambertrove
