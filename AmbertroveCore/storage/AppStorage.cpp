#include "storage/AppStorage.hpp"

#include "base/AmbertroveError.hpp"
#include "platform/FileDescriptor.hpp"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
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

void preparePrivateFolder(const std::string& folder) {
    // Missing folders are made from the top down, each owner-only from the start.
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        struct stat status {};
        if (!part.empty() && part.back() != '/' && ::stat(part.c_str(), &status) != 0) {
            if (errno != ENOENT)
                throwSystemError(errno, EIO);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
                throwSystemError(errno, EIO);
        }
        if (end == std::string::npos)
            break;
    }
    // The folder is examined and narrowed through one descriptor, so that what is changed is what was
    // examined.
    const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        throwSystemError(errno, EIO);
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        throwSystemError(errno, EIO);
    if (status.st_uid == ::geteuid() && (status.st_mode & 07077) != 0 && ::fchmod(fd.get(), 0700) != 0)
        throwSystemError(errno, EIO);
}

std::string prepareDirectory() {
    std::string folder = directory();
    preparePrivateFolder(folder);
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
