#include "platform/FreedesktopTrash.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/FileDescriptor.hpp"
#include "platform/FileStatus.hpp"
#include "platform/OwnFolder.hpp"
#include "platform/PathResolution.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace ambertrove {

namespace {

constexpr std::size_t kMaxNameBytes = 255;
constexpr std::string_view kInfoSuffix = ".trashinfo";
constexpr int kMaxAttempts = 10000;
// Items moved together share their flushes; each holds its record open until then.
constexpr std::size_t kMaxBatch = 128;
// How many records of a batch are flushed at once.
constexpr std::size_t kFlushThreads = 8;

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

bool sameEntry(const FileStatus& a, const FileStatus& b) {
    return a.device == b.device && a.inode == b.inode && (a.mode & S_IFMT) == (b.mode & S_IFMT);
}

FileStatus statusAt(int folder, const std::string& name) {
    FileStatus status;
    if (const int error = readFileStatus(folder, name.c_str(), status); error != 0)
        fail(error);
    return status;
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

// The folder at `path`, opened one component at a time from "/" without following any link.
FileDescriptor openWithoutLinks(std::string_view path) {
    FileDescriptor folder(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        fail(errno);
    for (const std::string_view piece : PathResolution::components(path)) {
        const std::string name(piece);
        const int fd = ::openat(folder.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            fail(errno);
        folder = FileDescriptor(fd);
    }
    return folder;
}

// The folder that holds the entry at `path`, reached without following any link: a link put in place of
// a folder after the item was checked cannot send another item away.
FileDescriptor openHoldingFolder(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return openWithoutLinks(PathResolution::parentPath(path));
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

// A trash folder, open, with its "files" and "info" folders open relative to it.
struct OpenTrash {
    std::string path;
    // The top folder of the item's file system for a trash there; "Path=" is then relative to it.
    std::optional<std::string> topDirectory;
    FileDescriptor folder;
    FileStatus status;
    FileDescriptor files;
    FileDescriptor info;
    FileStatus filesStatus;
    FileStatus infoStatus;
};

// Whether two opened trash folders are the same folders, reached by the same path.
bool sameTrash(const OpenTrash& a, const OpenTrash& b) {
    return a.path == b.path && sameEntry(a.status, b.status) && sameEntry(a.filesStatus, b.filesStatus) &&
           sameEntry(a.infoStatus, b.infoStatus);
}

// Whether the path of `trash` still leads to the folder that is open, reached as it was first reached.
bool stillAtItsPath(const OpenTrash& trash) {
    try {
        const FileDescriptor again =
            trash.topDirectory
                ? openWithoutLinks(trash.path)
                : FileDescriptor(::open(trash.path.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        return again.valid() && sameEntry(statusAt(again.get(), "."), trash.status);
    } catch (const std::system_error&) {
        return false;
    }
}

constexpr std::string_view kNotInTrash =
    "The item is not in the Trash that serves its original location. Restore it using Finder.";
constexpr std::string_view kNoRecord =
    "The Trash has no matching record of this item. Restore it using Finder.";
constexpr std::string_view kShownThroughAnotherMount =
    " is shown through another mount; move it from its own place.";

// The trash folder for the entry at `item` (whose status is `itemStatus`), opened and checked; made when
// missing. With `wanted`, only the one of the trash folders serving `item` that lies at that path, as it
// is; AmbertroveError when none does.
OpenTrash openTrashFolder(const FreedesktopTrash::Locations& where, const std::string& item,
                          const FileStatus& itemStatus,
                          const std::optional<std::string>& wanted = std::nullopt) {
    const bool create = !wanted;
    const auto isWanted = [&](const std::string& path) {
        return !wanted || *wanted == path;
    };
    OpenTrash trash;
    // The home trash serves the file system that holds it (or would hold it, once made).
    const auto onHomeFileSystem = [&] {
        if (where.isOnHomeFileSystem)
            return where.isOnHomeFileSystem(item);
        // By device alone: an item of the home's disk shown through another mount (a bind mount) still
        // belongs to the home trash, and never gets a trash of its own inside whatever that mount shows.
        std::string existing = where.homeTrash;
        while (!PathResolution::entryExists(existing) && existing != "/")
            existing = PathResolution::parentPath(existing);
        return itemStatus.device == statusOf(existing).device;
    };
    if (onHomeFileSystem()) {
        if (!isWanted(where.homeTrash))
            throw AmbertroveError(std::string(kNotInTrash));
        if (create)
            ensureFolderWithParents(where.homeTrash, where.uid);
        trash.path = where.homeTrash;
        const std::string name(PathText::name(where.homeTrash));
        const FileDescriptor parent(
            ::open(PathResolution::parentPath(where.homeTrash).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!parent.valid())
            fail(errno);
        trash.folder = openOwnFolder(parent.get(), name, where.uid, false);
    } else {
        const std::string top =
            where.topDirectory ? where.topDirectory(item) : FreedesktopTrash::mountTopDirectory(item);
        const std::string base = top == "/" ? std::string() : top;
        const std::string uid = std::to_string(where.uid);
        const FileDescriptor topFolder = openWithoutLinks(top);
        trash.topDirectory = top;
        // An administrator's shared "$topdir/.Trash" is used only when it is a real folder with the sticky
        // bit, which keeps other users from renaming the per-user folders inside it, owned by root or by
        // the user: its owner could rename them all the same.
        FileDescriptor shared(
            ::openat(topFolder.get(), ".Trash", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (isWanted(base + "/.Trash/" + uid) && shared.valid() && ::fstat(shared.get(), &st) == 0 &&
            S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) && (st.st_uid == 0 || st.st_uid == where.uid)) {
            try {
                trash.folder = openOwnFolder(shared.get(), uid, where.uid, create);
                trash.path = base + "/.Trash/" + uid;
            } catch (const std::system_error&) {
                trash.folder.reset();
            }
        }
        if (!trash.folder.valid()) {
            if (!isWanted(base + "/.Trash-" + uid))
                throw AmbertroveError(std::string(kNotInTrash));
            trash.folder = openOwnFolder(topFolder.get(), ".Trash-" + uid, where.uid, create);
            trash.path = base + "/.Trash-" + uid;
        }
    }
    trash.status = statusAt(trash.folder.get(), ".");
    // The item is renamed into it, never copied: it must be on the item's own file system, seen through
    // the same mount (a rename cannot cross from one mount to another).
    if (!sameFileSystem(itemStatus, trash.status)) {
        if (create && itemStatus.device == trash.status.device)
            throw AmbertroveError(std::string(PathText::name(item)) + std::string(kShownThroughAnotherMount));
        fail(EXDEV);
    }
    trash.files = openOwnFolder(trash.folder.get(), "files", where.uid, create);
    trash.info = openOwnFolder(trash.folder.get(), "info", where.uid, create);
    trash.filesStatus = statusAt(trash.files.get(), ".");
    trash.infoStatus = statusAt(trash.info.get(), ".");
    return trash;
}

// The value of "Path=" in the "[Trash Info]" group of a record, as written (still percent-encoded).
std::optional<std::string> recordedPathOf(std::string_view record) {
    bool inGroup = false;
    while (!record.empty()) {
        const std::size_t end = record.find('\n');
        std::string_view line = record.substr(0, end);
        record = end == std::string_view::npos ? std::string_view() : record.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.starts_with('['))
            inGroup = line == "[Trash Info]";
        else if (inGroup && line.starts_with("Path="))
            return std::string(line.substr(5));
    }
    return std::nullopt;
}

// "%XX" sequences turned back into bytes; nothing when one is malformed or gives a NUL.
std::optional<std::string> percentDecoded(std::string_view text) {
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = digit(text[i + 1]);
        const int low = digit(text[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return std::nullopt;
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

// The original path the record `infoName` in the open "info" folder gives, resolved against the top
// folder of a top folder trash; nothing when there is no such regular file or it names no path.
std::optional<std::string> originalPathOfRecord(const OpenTrash& trash, const std::string& infoName) {
    constexpr std::size_t kMaxRecordBytes = 64 * 1024;
    FileDescriptor file(
        ::openat(trash.info.get(), infoName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!file.valid() || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > static_cast<off_t>(kMaxRecordBytes))
        return std::nullopt;
    std::string record(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < record.size()) {
        const ssize_t n = ::read(file.get(), record.data() + got, record.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    record.resize(got);
    const std::optional<std::string> written = recordedPathOf(record);
    if (!written)
        return std::nullopt;
    std::optional<std::string> path = percentDecoded(*written);
    if (!path || path->empty())
        return std::nullopt;
    if (!path->starts_with('/')) {
        // Relative paths belong to a top folder trash only.
        if (!trash.topDirectory)
            return std::nullopt;
        *path = (*trash.topDirectory == "/" ? std::string() : *trash.topDirectory) + "/" + *path;
    }
    return path;
}

// One item of a batch on its way to the Trash.
struct Pending {
    std::size_t index = 0;
    std::string itemName;
    FileStatus itemStatus;
    std::size_t trash = 0;
    std::string record;
    int attempt = 0;
    std::string trashed;
    std::string infoName;
    // The record written for it, open until it is flushed.
    FileDescriptor recordFile;
    bool hasRecord = false;
    bool failed = false;
};

int syncNow(const FreedesktopTrash::Locations& where, int fd) {
    if (where.sync)
        return where.sync(fd);
    return ::fsync(fd) == 0 ? 0 : errno;
}

// Removes the record written for `item`, if there is one: the item did not go.
void dropRecord(Pending& item, const OpenTrash& trash) {
    item.recordFile.reset();
    if (item.hasRecord)
        ::unlinkat(trash.info.get(), item.infoName.c_str(), 0);
    item.hasRecord = false;
}

// Claims the first free name from the `from`-th try on, by creating its record (never replacing one) and
// writing it; a name already taken in "files" (an item without a record) is passed over too. The record
// starts on its way to the disk at once; it is flushed later, with the batch.
void claimName(Pending& item, const OpenTrash& trash, int from) {
    for (int attempt = from; attempt <= kMaxAttempts; ++attempt) {
        const std::string trashed = FreedesktopTrash::trashName(item.itemName, attempt);
        const std::string infoName = trashed + std::string(kInfoSuffix);
        struct stat taken {};
        if (::fstatat(trash.files.get(), trashed.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0)
            continue;
        if (errno != ENOENT)
            fail(errno);
        FileDescriptor record(::openat(trash.info.get(), infoName.c_str(),
                                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!record.valid()) {
            if (errno == EEXIST)
                continue;
            fail(errno);
        }
        item.attempt = attempt;
        item.trashed = trashed;
        item.infoName = infoName;
        item.hasRecord = true;
        try {
            writeAll(record.get(), item.record);
        } catch (...) {
            dropRecord(item, trash);
            throw;
        }
        ::sync_file_range(record.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
        item.recordFile = std::move(record);
        return;
    }
    fail(EEXIST);
}

// Makes the content of `item`'s record durable; the "info" folder that names it is flushed after.
void flushRecord(const FreedesktopTrash::Locations& where, Pending& item) {
    if (const int error = syncNow(where, item.recordFile.get()); error != 0)
        fail(error);
    item.recordFile.close();
}

// Flushes the records of a batch, several at a time: flushes that wait together share the file system's
// commit and the disk's cache flush, where one after another each waits for its own. Answers each
// record's failure, or nothing.
std::vector<std::exception_ptr> flushRecords(const FreedesktopTrash::Locations& where,
                                             std::vector<Pending>& items) {
    std::vector<std::exception_ptr> failures(items.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t k = next++; k < items.size(); k = next++) {
            try {
                flushRecord(where, items[k]);
            } catch (...) {
                failures[k] = std::current_exception();
            }
        }
    };
    std::vector<std::jthread> helpers;
    for (std::size_t k = 1; k < std::min(items.size(), kFlushThreads); ++k) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            // Without another thread, the ones there are do the work.
            break;
        }
    }
    work();
    helpers.clear();
    return failures;
}

// Opens the item's folder and the trash folder for it, checks the item, and writes its record (not yet
// flushed). The trash folder is shared with the items before it that go to the same one.
Pending prepareItem(const FreedesktopTrash::Locations& where, const Trash::Move& move, std::size_t index,
                    std::vector<OpenTrash>& trashes) {
    const std::string& path = move.path;
    rejectNul(path);
    const std::string_view name = PathText::name(path);
    if (!path.starts_with('/') || name == "/" || name == "." || name == "..")
        fail(EINVAL);
    Pending item;
    item.index = index;
    item.itemName = std::string(name);
    const FileDescriptor holder = openHoldingFolder(path);
    item.itemStatus = statusAt(holder.get(), item.itemName);
    OpenTrash trash = openTrashFolder(where, path, item.itemStatus);
    if (move.check)
        if (std::optional<std::string> objection = move.check(item.itemStatus))
            throw AmbertroveError(*objection);
    const auto known =
        std::find_if(trashes.begin(), trashes.end(), [&](const OpenTrash& t) { return sameTrash(t, trash); });
    item.trash = static_cast<std::size_t>(known - trashes.begin());
    if (known == trashes.end())
        trashes.push_back(std::move(trash));
    const OpenTrash& into = trashes[item.trash];

    std::string recordedPath = path;
    if (into.topDirectory && PathResolution::isInside(path, *into.topDirectory))
        recordedPath = path.substr(*into.topDirectory == "/" ? 1 : into.topDirectory->size() + 1);
    item.record = "[Trash Info]\nPath=" + FreedesktopTrash::percentEncoded(recordedPath) +
                  "\nDeletionDate=" + localDeletionDate() + "\n";
    claimName(item, into, 1);
    return item;
}

// Renames the item into the Trash, its record being durable already. It is checked once more through its
// folder, opened again, at the last moment; what was renamed must be what was checked, and the path told
// must lead to it. Otherwise it goes back, never replacing what may have taken its place.
std::string moveItem(const FreedesktopTrash::Locations& where, const Trash::Move& move, Pending& item,
                     const OpenTrash& trash) {
    const FileDescriptor holder = openHoldingFolder(move.path);
    for (;;) {
        const FileStatus current = statusAt(holder.get(), item.itemName);
        if (move.check)
            if (std::optional<std::string> objection = move.check(current))
                throw AmbertroveError(*objection);
        if (!sameEntry(current, item.itemStatus))
            throw AmbertroveError(item.itemName +
                                  " was replaced while it was being moved to Trash. It was left in place; "
                                  "rescan before cleanup.");
        if (where.beforeMove)
            where.beforeMove(move.path);
        if (::renameat2(holder.get(), item.itemName.c_str(), trash.files.get(), item.trashed.c_str(),
                        RENAME_NOREPLACE) == 0)
            break;
        const int error = errno;
        if (error != EEXIST)
            fail(error);
        // The name was taken in "files" since it was claimed: the next free one, flushed on its own.
        dropRecord(item, trash);
        claimName(item, trash, item.attempt + 1);
        flushRecord(where, item);
        if (const int folderError = syncNow(where, trash.info.get()); folderError != 0)
            fail(folderError);
    }
    // From here the record belongs to whatever was renamed.
    item.hasRecord = false;

    FileStatus moved;
    const bool sameItem = readFileStatus(trash.files.get(), item.trashed.c_str(), moved) == 0 &&
                          sameEntry(moved, item.itemStatus);
    const bool trashInPlace = stillAtItsPath(trash);
    if (sameItem && trashInPlace)
        return trash.path + "/files/" + item.trashed;
    const bool back = ::renameat2(trash.files.get(), item.trashed.c_str(), holder.get(),
                                  item.itemName.c_str(), RENAME_NOREPLACE) == 0;
    if (back)
        ::unlinkat(trash.info.get(), item.infoName.c_str(), 0);
    const std::string& itemName = item.itemName;
    if (!sameItem)
        throw AmbertroveError(
            back ? itemName + " was replaced while it was being moved to Trash. It was put back; "
                              "rescan before cleanup."
                 : itemName + " was replaced while it was being moved to Trash and could not be "
                              "put back. The replacement is in the Trash.");
    throw AmbertroveError(back ? "The Trash folder was moved while " + itemName +
                                     " was being moved into it. The item was put back."
                               : "The Trash folder was moved while " + itemName +
                                     " was being moved into it. The item is in that folder.");
}

// Moves items[from, to) in three steps that share their flushes: every record is written and flushed
// with the "info" folders that name them; only then is any item renamed into "files"; then the "files"
// folders are flushed and the moves are told. A crash at any moment leaves no item in the Trash without
// its record: at worst records of items that never moved, which name nothing in "files".
void moveBatch(const FreedesktopTrash::Locations& where, const std::vector<Trash::Move>& items,
               std::size_t from, std::size_t to, std::vector<Trash::Moved>& results) {
    std::vector<OpenTrash> trashes;
    std::vector<Pending> pending;
    pending.reserve(to - from);
    const auto failItem = [&](Pending& item, std::exception_ptr failure) {
        item.failed = true;
        results[item.index].failure = std::move(failure);
        dropRecord(item, trashes[item.trash]);
    };

    for (std::size_t i = from; i < to; ++i) {
        try {
            pending.push_back(prepareItem(where, items[i], i, trashes));
        } catch (...) {
            results[i].failure = std::current_exception();
        }
    }

    std::vector<std::exception_ptr> flushFailures = flushRecords(where, pending);
    for (std::size_t k = 0; k < pending.size(); ++k)
        if (flushFailures[k])
            failItem(pending[k], std::move(flushFailures[k]));
    for (std::size_t t = 0; t < trashes.size(); ++t) {
        const int error = syncNow(where, trashes[t].info.get());
        if (error == 0)
            continue;
        for (Pending& item : pending)
            if (item.trash == t && !item.failed)
                failItem(item, std::make_exception_ptr(std::system_error(error, std::generic_category())));
    }

    std::vector<bool> received(trashes.size(), false);
    for (Pending& item : pending) {
        if (item.failed)
            continue;
        try {
            results[item.index].trashPath = moveItem(where, items[item.index], item, trashes[item.trash]);
            received[item.trash] = true;
        } catch (...) {
            failItem(item, std::current_exception());
        }
    }

    // The renames were already safe to lose (each item would simply still be in its place, beside a
    // record that names it); this only keeps them. A failure here changes nothing of what was done.
    for (std::size_t t = 0; t < trashes.size(); ++t)
        if (received[t])
            (void)syncNow(where, trashes[t].files.get());
}

// A folder that items of a batch go back into, opened once without following any link.
struct Destination {
    std::string path;
    FileDescriptor folder;
    FileStatus status;
    bool received = false;
};

// The trash folder opened for the items going back into one destination from one trash folder.
struct TrashFor {
    std::size_t destination = 0;
    std::string wanted;
    std::size_t trash = 0;
};

// One item of a batch that is back in its place, its record still in the Trash.
struct Returned {
    std::size_t index = 0;
    std::size_t destination = 0;
    std::size_t trash = 0;
    std::string infoName;
};

// Checks the item of `restore` and renames it back into its original folder. The item must lie in "files"
// of a trash folder that serves the original place, and that trash's own record of it must name that
// place: a path given from outside is never trusted on its own. Folders already opened for the batch are
// used again.
Returned returnItem(const FreedesktopTrash::Locations& where, const Trash::Restore& restore,
                    std::size_t index, std::vector<Destination>& destinations, std::vector<TrashFor>& opened,
                    std::vector<OpenTrash>& trashes) {
    const std::string& trashPath = restore.trashPath;
    const std::string& originalPath = restore.originalPath;
    rejectNul(trashPath);
    rejectNul(originalPath);
    // Never replaces: an entry that appeared at the original place meanwhile makes this fail. Nor does it
    // go through a link put in place of one of the original's folders.
    const std::string_view name = PathText::name(originalPath);
    if (!originalPath.starts_with('/') || name == "/" || name == "." || name == "..")
        fail(EINVAL);
    const std::string originalName(name);
    std::string_view trimmed = originalPath;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.remove_suffix(1);
    const std::string holderPath = PathResolution::parentPath(trimmed);
    auto known = std::find_if(destinations.begin(), destinations.end(),
                              [&](const Destination& d) { return d.path == holderPath; });
    if (known == destinations.end()) {
        Destination opening;
        opening.path = holderPath;
        opening.folder = openWithoutLinks(holderPath);
        opening.status = statusAt(opening.folder.get(), ".");
        destinations.push_back(std::move(opening));
        known = destinations.end() - 1;
    }
    const std::size_t destination = static_cast<std::size_t>(known - destinations.begin());
    const int holder = destinations[destination].folder.get();

    const std::string trashedName(PathText::name(trashPath));
    const std::string filesFolder = PathResolution::parentPath(trashPath);
    if (!trashPath.starts_with('/') || trashedName.empty() || trashedName == "." || trashedName == ".." ||
        trashPath != filesFolder + "/" + trashedName || PathText::name(filesFolder) != "files")
        throw AmbertroveError(std::string(kNotInTrash));
    const std::string wanted = PathResolution::parentPath(filesFolder);
    auto found = std::find_if(opened.begin(), opened.end(), [&](const TrashFor& t) {
        return t.destination == destination && t.wanted == wanted;
    });
    if (found == opened.end()) {
        OpenTrash trash = openTrashFolder(where, PathResolution::parentPath(originalPath),
                                          destinations[destination].status, wanted);
        const auto same = std::find_if(trashes.begin(), trashes.end(),
                                       [&](const OpenTrash& t) { return sameTrash(t, trash); });
        const std::size_t at = static_cast<std::size_t>(same - trashes.begin());
        if (same == trashes.end())
            trashes.push_back(std::move(trash));
        opened.push_back(TrashFor{destination, wanted, at});
        found = opened.end() - 1;
    }
    const OpenTrash& trash = trashes[found->trash];
    const std::string infoName = trashedName + std::string(kInfoSuffix);
    if (originalPathOfRecord(trash, infoName) != originalPath)
        throw AmbertroveError(std::string(kNoRecord));

    const FileStatus itemStatus = statusAt(trash.files.get(), trashedName);
    if (restore.check)
        if (std::optional<std::string> objection = restore.check(itemStatus))
            throw AmbertroveError(*objection);
    if (::renameat2(trash.files.get(), trashedName.c_str(), holder, originalName.c_str(), RENAME_NOREPLACE) !=
        0)
        fail(errno);
    FileStatus moved;
    if (readFileStatus(holder, originalName.c_str(), moved) != 0 || !sameEntry(moved, itemStatus)) {
        // Something else was in the Trash under that name by the time it moved: it goes back.
        if (::renameat2(holder, originalName.c_str(), trash.files.get(), trashedName.c_str(),
                        RENAME_NOREPLACE) == 0)
            throw AmbertroveError("The item in Trash changed while it was being restored. It was left in the "
                                  "Trash.");
        throw AmbertroveError("The item in Trash changed while it was being restored and could not be put "
                              "back in the Trash.");
    }
    destinations[destination].received = true;
    return Returned{index, destination, found->trash, infoName};
}

// Puts items[from, to) back in three steps that share their flushes: every item is checked and renamed
// back; then each folder that received an item and each "files" folder that lost one is flushed once; only
// then are the records of the items back removed and the items told back. A record goes only once its
// item's return is on the disk, so that a crash never leaves an item in the Trash without its record.
void restoreBatch(const FreedesktopTrash::Locations& where, const std::vector<Trash::Restore>& items,
                  std::size_t from, std::size_t to, std::vector<std::exception_ptr>& failures) {
    std::vector<Destination> destinations;
    std::vector<TrashFor> opened;
    std::vector<OpenTrash> trashes;
    std::vector<Returned> returned;
    returned.reserve(to - from);
    for (std::size_t i = from; i < to; ++i) {
        try {
            returned.push_back(returnItem(where, items[i], i, destinations, opened, trashes));
        } catch (...) {
            failures[i] = std::current_exception();
        }
    }

    // The folder an item left: a rename is one change to both folders, which most file systems keep
    // together, so this one alone already keeps it.
    std::vector<int> trashErrors(trashes.size(), 0);
    std::vector<bool> emptied(trashes.size(), false);
    for (const Returned& item : returned)
        emptied[item.trash] = true;
    for (std::size_t t = 0; t < trashes.size(); ++t)
        if (emptied[t])
            trashErrors[t] = syncNow(where, trashes[t].files.get());
    // The folder it entered, when it can be opened for reading at all (a folder the user may only enter
    // and write to is kept by the flush above).
    std::vector<int> destinationErrors(destinations.size(), 0);
    for (std::size_t d = 0; d < destinations.size(); ++d) {
        if (!destinations[d].received)
            continue;
        const FileDescriptor readable(
            ::openat(destinations[d].folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (readable.valid())
            destinationErrors[d] = syncNow(where, readable.get());
        else if (errno != EACCES)
            destinationErrors[d] = errno;
    }

    for (const Returned& item : returned) {
        const int error =
            trashErrors[item.trash] != 0 ? trashErrors[item.trash] : destinationErrors[item.destination];
        if (error != 0) {
            // Back in its place, but not surely so on the disk: the record stays, and the return is not told.
            failures[item.index] = std::make_exception_ptr(std::system_error(error, std::generic_category()));
            continue;
        }
        // A record that cannot be removed only leaves a stale line in a file manager's Trash view, so the
        // restore still counts.
        ::unlinkat(trashes[item.trash].info.get(), item.infoName.c_str(), 0);
    }
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
    return openTrashFolder(m_locations, path, statusOf(path)).path;
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

std::optional<std::string> FreedesktopTrash::moveToTrash(const std::string& path,
                                                         const ItemCheck& check) const {
    const std::vector<Moved> results = moveAllToTrash({Move{path, check}});
    if (results.front().failure)
        std::rethrow_exception(results.front().failure);
    return results.front().trashPath;
}

std::vector<Trash::Moved> FreedesktopTrash::moveAllToTrash(const std::vector<Move>& items) const {
    std::vector<Moved> results(items.size());
    for (std::size_t from = 0; from < items.size(); from += kMaxBatch)
        moveBatch(m_locations, items, from, std::min(items.size(), from + kMaxBatch), results);
    return results;
}

void FreedesktopTrash::restore(const std::string& trashPath, const std::string& originalPath,
                               const ItemCheck& check) const {
    const std::vector<std::exception_ptr> failures = restoreAll({Restore{trashPath, originalPath, check}});
    if (failures.front())
        std::rethrow_exception(failures.front());
}

std::vector<std::exception_ptr> FreedesktopTrash::restoreAll(const std::vector<Restore>& items) const {
    std::vector<std::exception_ptr> failures(items.size());
    for (std::size_t from = 0; from < items.size(); from += kMaxBatch)
        restoreBatch(m_locations, items, from, std::min(items.size(), from + kMaxBatch), failures);
    return failures;
}

} // namespace ambertrove
