#include "platform/FreedesktopTrash.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/FileDescriptor.hpp"
#include "platform/FileStatus.hpp"
#include "platform/PathResolution.hpp"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ambertrove {

namespace {

constexpr std::size_t kMaxNameBytes = 255;
constexpr std::string_view kInfoSuffix = ".trashinfo";
constexpr int kMaxAttempts = 10000;

[[noreturn]] void fail(int error) {
    throwSystemError(error, EIO);
}

void rejectNul(const std::string& path) {
    // A NUL would end the path early in a system call and name another entry.
    if (path.find('\0') != std::string::npos)
        fail(EINVAL);
}

FileStatus statusOf(const std::string& path) {
    FileStatus status;
    if (const int error = readFileStatus(AT_FDCWD, path.c_str(), status); error != 0)
        fail(error);
    return status;
}

bool sameFileSystem(const FileStatus& a, const FileStatus& b) {
    return a.device == b.device && (!a.hasMountId || !b.hasMountId || a.mountId == b.mountId);
}

// A folder of ours: made with mode 0700 when missing; it must then be a real folder (not a link) owned by
// `uid`, so that nobody else can read or swap what goes into it.
void ensurePrivateFolder(const std::string& path, uid_t uid) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        fail(errno);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        fail(errno);
    if (!S_ISDIR(st.st_mode))
        fail(ENOTDIR);
    if (st.st_uid != uid)
        fail(EACCES);
}

void ensureFolderWithParents(const std::string& path, uid_t uid) {
    const std::string parent = PathResolution::parentPath(path);
    if (parent != path && !PathResolution::entryExists(parent)) {
        ensureFolderWithParents(parent, uid);
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        fail(errno);
}

std::string localDeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return std::string(text, n);
}

FileDescriptor openFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        fail(errno);
    return FileDescriptor(fd);
}

// The folder that holds the entry at `path`, opened one component at a time from "/" without following
// any link: a link put in place of a folder after the item was checked cannot send another item away.
FileDescriptor openHoldingFolder(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    FileDescriptor folder(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        fail(errno);
    const std::string parent = PathResolution::parentPath(path);
    for (const std::string_view piece : PathResolution::components(parent)) {
        const std::string name(piece);
        const int fd = ::openat(folder.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            fail(errno);
        folder = FileDescriptor(fd);
    }
    return folder;
}

// Cuts `text` to at most `limit` bytes without splitting a UTF-8 sequence. A sequence has at most three
// continuation bytes: bytes that are not UTF-8 are cut at the limit instead of leaving nothing.
std::string_view cutUtf8(std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    const auto continues = [&](std::size_t at) {
        return (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
    };
    std::size_t end = limit;
    while (end > 0 && limit - end < 3 && continues(end))
        --end;
    return text.substr(0, continues(end) ? limit : end);
}

struct TrashFolder {
    std::string path;
    // The top folder of the item's file system for a trash there; "Path=" is then relative to it.
    std::optional<std::string> topDirectory;
};

TrashFolder chooseFolder(const FreedesktopTrash::Locations& where, const std::string& item) {
    const FileStatus itemStatus = statusOf(item);

    // The home trash serves the file system that holds it (or would hold it, once made).
    const auto onHomeFileSystem = [&] {
        if (where.isOnHomeFileSystem)
            return where.isOnHomeFileSystem(item);
        std::string existing = where.homeTrash;
        while (!PathResolution::entryExists(existing) && existing != "/")
            existing = PathResolution::parentPath(existing);
        return sameFileSystem(itemStatus, statusOf(existing));
    };
    if (onHomeFileSystem()) {
        ensureFolderWithParents(where.homeTrash, where.uid);
        return {where.homeTrash, std::nullopt};
    }

    const std::string top =
        where.topDirectory ? where.topDirectory(item) : FreedesktopTrash::mountTopDirectory(item);
    const std::string base = top == "/" ? std::string() : top;
    const std::string uid = std::to_string(where.uid);
    std::string folder;
    // An administrator's shared "$topdir/.Trash" is used only when it is a real folder with the sticky bit.
    struct stat shared {};
    if (::lstat((base + "/.Trash").c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
        (shared.st_mode & S_ISVTX)) {
        folder = base + "/.Trash/" + uid;
        try {
            ensurePrivateFolder(folder, where.uid);
        } catch (const std::system_error&) {
            folder.clear();
        }
    }
    if (folder.empty()) {
        folder = base + "/.Trash-" + uid;
        ensurePrivateFolder(folder, where.uid);
    }
    // The item is renamed into it, never copied: it must be on the item's own file system.
    if (!sameFileSystem(itemStatus, statusOf(folder)))
        fail(EXDEV);
    return {folder, top};
}

} // namespace

FreedesktopTrash::FreedesktopTrash(Locations locations)
    : m_locations(std::move(locations)) {}

std::string FreedesktopTrash::mountTopDirectory(const std::string& path) {
    const FileStatus itemStatus = statusOf(path);
    std::string folder = path;
    while (folder != "/") {
        const std::string parent = PathResolution::parentPath(folder);
        FileStatus parentStatus;
        if (readFileStatus(AT_FDCWD, parent.c_str(), parentStatus) != 0 ||
            !sameFileSystem(itemStatus, parentStatus))
            return folder;
        folder = parent;
    }
    return folder;
}

std::string FreedesktopTrash::trashFolderFor(const std::string& path) const {
    rejectNul(path);
    return chooseFolder(m_locations, path).path;
}

std::string FreedesktopTrash::percentEncoded(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                           byte == '~' || byte == '/';
        if (plain) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0xF]);
        }
    }
    return out;
}

std::string FreedesktopTrash::trashName(std::string_view name, int attempt) {
    const std::string suffix = attempt > 1 ? " " + std::to_string(attempt) : std::string();
    const std::size_t budget = kMaxNameBytes - kInfoSuffix.size();
    std::string_view stem = name;
    std::string_view extension;
    if (const std::string_view ext = PathText::pathExtension(name);
        !ext.empty() && ext.size() + 1 < budget / 2) {
        stem = name.substr(0, name.size() - ext.size() - 1);
        extension = name.substr(name.size() - ext.size() - 1);
    }
    std::string out(cutUtf8(stem, budget - suffix.size() - extension.size()));
    out += suffix;
    out += extension;
    return out;
}

std::optional<std::string> FreedesktopTrash::moveToTrash(const std::string& path) const {
    rejectNul(path);
    const std::string_view name = PathText::name(path);
    if (!path.starts_with('/') || name == "/" || name == "." || name == "..")
        fail(EINVAL);
    const TrashFolder folder = chooseFolder(m_locations, path);
    ensurePrivateFolder(folder.path + "/files", m_locations.uid);
    ensurePrivateFolder(folder.path + "/info", m_locations.uid);
    const FileDescriptor files = openFolder(folder.path + "/files");
    const FileDescriptor info = openFolder(folder.path + "/info");
    const FileDescriptor holder = openHoldingFolder(path);
    const std::string itemName(name);

    std::string recordedPath = path;
    if (folder.topDirectory && PathResolution::isInside(path, *folder.topDirectory))
        recordedPath = path.substr(*folder.topDirectory == "/" ? 1 : folder.topDirectory->size() + 1);
    const std::string record =
        "[Trash Info]\nPath=" + percentEncoded(recordedPath) + "\nDeletionDate=" + localDeletionDate() + "\n";

    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        const std::string trashed = trashName(name, attempt);
        const std::string infoName = trashed + std::string(kInfoSuffix);
        // The record comes first: an item in the Trash is never without one, and its name is claimed.
        const int fd = ::openat(info.get(), infoName.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            fail(errno);
        }
        try {
            FileDescriptor infoFile(fd);
            writeAll(infoFile.get(), record);
            if (::fsync(infoFile.get()) != 0)
                fail(errno);
            infoFile.close();
        } catch (...) {
            ::unlinkat(info.get(), infoName.c_str(), 0);
            throw;
        }
        if (::renameat2(holder.get(), itemName.c_str(), files.get(), trashed.c_str(), RENAME_NOREPLACE) ==
            0) {
            ::fsync(info.get());
            ::fsync(files.get());
            return folder.path + "/files/" + trashed;
        }
        const int error = errno;
        ::unlinkat(info.get(), infoName.c_str(), 0);
        if (error != EEXIST)
            fail(error);
    }
    fail(EEXIST);
}

void FreedesktopTrash::restore(const std::string& trashPath, const std::string& originalPath) const {
    rejectNul(trashPath);
    rejectNul(originalPath);
    // Never replaces: an entry that appeared at the original place meanwhile makes this fail. Nor does it
    // go through a link put in place of one of the original's folders.
    const std::string_view name = PathText::name(originalPath);
    if (!originalPath.starts_with('/') || name == "/" || name == "." || name == "..")
        fail(EINVAL);
    const FileDescriptor holder = openHoldingFolder(originalPath);
    if (::renameat2(AT_FDCWD, trashPath.c_str(), holder.get(), std::string(name).c_str(), RENAME_NOREPLACE) !=
        0)
        fail(errno);
    // The item is back; its record in the Trash goes. A record that cannot be removed only leaves a stale
    // line in a file manager's Trash view, so the restore still counts.
    const std::string filesFolder = PathResolution::parentPath(trashPath);
    if (PathText::name(filesFolder) != "files")
        return;
    const std::string infoPath = PathResolution::parentPath(filesFolder) + "/info/" +
                                 std::string(PathText::name(trashPath)) + std::string(kInfoSuffix);
    struct stat st {};
    if (::lstat(infoPath.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::unlink(infoPath.c_str());
}

} // namespace ambertrove
