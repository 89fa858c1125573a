#include "storage/AppStorage.hpp"

#include "base/AmbertroveError.hpp"
#include "platform/FileDescriptor.hpp"
#include "platform/OwnFolder.hpp"
#include "platform/PathResolution.hpp"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace ambertrove::AppStorage {

namespace {

std::string joined(const std::string& folder, std::string_view name) {
    std::string out = folder;
    if (out.empty() || out.back() != '/')
        out.push_back('/');
    out.append(name);
    return out;
}

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

} // namespace

std::string homeFolder() {
    return homeFolder(environment("HOME"));
}

std::string homeFolder(const std::optional<std::string>& homeVariable) {
    if (homeVariable && !homeVariable->empty())
        return *homeVariable;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] != '\0')
        return found->pw_dir;
    return "/";
}

std::string applicationSupport(const std::optional<std::string>& xdgDataHome, const std::string& home) {
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    if (xdgDataHome && !xdgDataHome->empty() && xdgDataHome->front() == '/')
        return *xdgDataHome;
    return joined(home, ".local/share");
}

std::string directory() {
    return resolve(applicationSupport(environment("XDG_DATA_HOME"), homeFolder()));
}

std::string resolve(const std::string& applicationSupport) {
    const std::string current = joined(applicationSupport, kFolderName);
    const std::string former = joined(applicationSupport, kFormerFolderName);
    struct stat status {};
    // Symbolic links are followed: a link to a folder serves as the folder, a dangling one is nothing.
    if (::stat(current.c_str(), &status) == 0)
        return current;
    if (::stat(former.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        return former;
    return current;
}

namespace {

std::string refusal(const std::string& folder, OwnFolderFault fault) {
    const std::string named = "“" + folder + "”";
    switch (fault) {
    case OwnFolderFault::link:
        return named + " is a symbolic link, not a folder.";
    case OwnFolderFault::notFolder:
        return named + " is not a folder.";
    case OwnFolderFault::otherOwner:
        return named + " is owned by another user.";
    case OwnFolderFault::openToOthers:
        return named + " can be changed by other users.";
    }
    return named + " cannot be used.";
}

} // namespace

FileDescriptor openPrivateFolder(const std::string& folder, std::size_t ownLevels, bool create) {
    const std::vector<std::string_view> parts = PathResolution::components(folder);
    if (folder.empty() || folder.front() != '/' || parts.empty())
        throw std::system_error(EINVAL, std::generic_category());
    const std::size_t firstOwn = parts.size() > ownLevels ? parts.size() - ownLevels : 0;
    FileDescriptor current(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!current.valid())
        throwSystemError(errno, EIO);
    std::string path;
    bool making = false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string name(parts[i]);
        path += "/" + name;
        if (i < firstOwn && !making) {
            FileDescriptor next(::openat(current.get(), name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (next.valid()) {
                current = std::move(next);
                continue;
            }
            if (errno != ENOENT || !create)
                throwSystemError(errno, EIO);
            making = true; // from here down every folder is made here, and so must be the user's own
        }
        try {
            current = openOwnFolder(current.get(), name, ::geteuid(), create);
        } catch (const OwnFolderError& error) {
            throw AmbertroveError(refusal(path, error.fault()));
        }
    }
    struct stat status {};
    if (::fstat(current.get(), &status) != 0)
        throwSystemError(errno, EIO);
    if ((status.st_mode & 07077) != 0 && ::fchmod(current.get(), 0700) != 0)
        throwSystemError(errno, EIO);
    return current;
}

std::string prepareDirectory() {
    std::string folder = directory();
    (void)openPrivateFolder(folder, 1, true);
    return folder;
}

void migratePreferences(PreferenceStore& target, const PreferenceTable& legacy) {
    for (std::string_view key : kMigratedKeys) {
        if (target.value(key))
            continue;
        if (auto it = legacy.find(key); it != legacy.end())
            target.setValue(key, it->second);
    }
}

} // namespace ambertrove::AppStorage
