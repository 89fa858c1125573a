#include "platform/DirectoryEnumerator.hpp"

#include "base/AmbertroveError.hpp"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace ambertrove {

namespace {

using Listing = std::vector<std::pair<std::string, bool>>; // name, is a folder (not a link)

std::string childPath(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

// Reads the entries of the folder open as `fd`, which it takes over and closes. Returns 0 or the errno of
// the failure.
int readOpenListing(int fd, Listing& out) {
    DIR* raw = ::fdopendir(fd);
    if (!raw) {
        const int error = errno > 0 ? errno : EIO;
        ::close(fd);
        return error;
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(raw, ::closedir);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            return errno;
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool isDirectory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            isDirectory = ::fstatat(::dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                          S_ISDIR(st.st_mode);
        }
        out.emplace_back(name, isDirectory);
    }
}

std::vector<std::string> namesOf(Listing& entries) {
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (auto& entry : entries)
        names.push_back(std::move(entry.first));
    return names;
}

} // namespace

// Reads a folder's entries whole, so that no descriptor stays open while the caller descends.
// Returns 0 or the errno of the failure.
int DirectoryEnumerator::readListing(const std::string& folder, Listing& out, bool followLink) const {
    out.clear();
    if (folder.find('\0') != std::string::npos)
        return ENOENT;
    if (m_openHook)
        if (const int error = m_openHook(folder); error != 0)
            return error;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return errno > 0 ? errno : EIO;
    return readOpenListing(fd, out);
}

bool DirectoryEnumerator::walk(const std::string& folder, const Visitor& visit,
                               const ErrorHandler& onError) const {
    Listing entries;
    if (readListing(folder, entries, true) != 0)
        return false;
    walkLevel(folder, entries, 1, visit, onError);
    return true;
}

void DirectoryEnumerator::walkLevel(const std::string& folder, const Listing& entries, int level,
                                    const Visitor& visit, const ErrorHandler& onError) const {
    for (const auto& [name, isDirectory] : entries) {
        if (m_skipHidden && name.starts_with('.'))
            continue;
        const std::string path = childPath(folder, name);
        if (!visit(Entry{path, name, level, isDirectory}) || !isDirectory)
            continue;
        Listing inner;
        // Listed as a folder, but it may have been swapped for a link since: such a link is not followed.
        if (const int error = readListing(path, inner, false); error != 0) {
            if (onError)
                onError(path, error);
            continue;
        }
        walkLevel(path, inner, level + 1, visit, onError);
    }
}

std::vector<std::string> DirectoryEnumerator::list(const std::string& folder) const {
    Listing entries;
    if (const int error = readListing(folder, entries, true); error != 0)
        throwSystemError(error, EIO);
    return namesOf(entries);
}

std::vector<std::string> DirectoryEnumerator::list(int folder) {
    // A descriptor of its own, read from the start: the caller's stays open and where it was.
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throwSystemError(errno, EIO);
    Listing entries;
    if (const int error = readOpenListing(fd, entries); error != 0)
        throwSystemError(error, EIO);
    return namesOf(entries);
}

} // namespace ambertrove
