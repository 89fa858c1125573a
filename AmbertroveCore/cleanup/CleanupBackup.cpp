#include "cleanup/CleanupBackup.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "model/Formatting.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/FileDescriptor.hpp"
#include "platform/FileTree.hpp"
#include "platform/PathResolution.hpp"
#include "platform/RunningPrograms.hpp"
#include "scan/DiskScanner.hpp"
#include "scan/ScanPaths.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

namespace ambertrove {

namespace {

constexpr const char* kNothingSelected = "No files selected for backup.";
constexpr const char* kChooseFolder = "Choose a folder for the backup.";
constexpr const char* kOutsideItems = "Choose a backup folder outside the items being moved to Trash.";
constexpr const char* kNotVerified = "The backup could not be verified. Nothing was moved to Trash.";
constexpr const char* kLinkDiffers = "A link in the backup does not match the original.";
constexpr const char* kOnlyRegularFiles = "Only regular files can be verified for backup.";

std::string notVerified(std::string_view path) {
    return "The backup of " + std::string(PathText::name(path)) + " could not be verified.";
}

// The path in standard form with every symbolic link along it resolved.
std::string resolvedPath(const std::string& path) {
    std::optional<std::string> resolved =
        PathResolution::resolvingSymlinks(PathResolution::standardized(path));
    if (!resolved)
        throwSystemError(ELOOP, ELOOP);
    return *resolved;
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// Makes `path` a folder unless it is one already.
void makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0)
        return;
    const int error = errno;
    struct stat st {};
    if (error == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return;
    throwSystemError(error, EIO);
}

using Fd = FileDescriptor;

Fd openForReading(const std::string& path) {
    // Non-blocking, so that a pipe put in the file's place cannot hold the comparison.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throwSystemError(errno, EIO);
    Fd opened(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throwSystemError(errno, EIO);
    if (!S_ISREG(st.st_mode))
        throw AmbertroveError(kOnlyRegularFiles);
    return opened;
}

// Renames without ever replacing what is at `to` (a plain rename would replace an empty folder there).
void renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EINVAL && errno != ENOSYS)
        throwSystemError(errno, EIO);
    // A file system that cannot promise it: check first.
    if (PathResolution::entryExists(to))
        throwSystemError(EEXIST, EEXIST);
    if (::rename(from.c_str(), to.c_str()) != 0)
        throwSystemError(errno, EIO);
}

} // namespace

// Byte-for-byte comparison of an original file with its copy, with two chunk buffers kept for the whole
// backup.
class CleanupBackup::Comparison {
public:
    using Reader = std::function<ssize_t(int, void*, std::size_t)>;

    explicit Comparison(Reader read)
        : m_read(read ? std::move(read) : Reader(&::read)) {}

    void files(const std::string& original, const std::string& copy, const CancellationFlag& cancellation) {
        const FileStatus originalStatus = FileIdentity::read(original).second;
        const FileStatus copyStatus = FileIdentity::read(copy).second;
        if (!originalStatus.isRegularFile() || !copyStatus.isRegularFile())
            throw AmbertroveError(kOnlyRegularFiles);
        const Fd originalFd = openForReading(original);
        const Fd copyFd = openForReading(copy);
        if (m_original.empty()) {
            m_original.resize(kChunkSize);
            m_copy.resize(kChunkSize);
        }
        cancellation.check();
        for (;;) {
            const std::size_t a = fill(originalFd.get(), m_original);
            const std::size_t b = fill(copyFd.get(), m_copy);
            if (a != b || std::memcmp(m_original.data(), m_copy.data(), a) != 0)
                throw AmbertroveError("The backup of " + std::string(PathText::name(original)) +
                                      " does not match the original.");
            if (a == 0)
                return;
            cancellation.check();
        }
    }

private:
    // Reads until the chunk is full or the file ends: a read may return less than asked for well before
    // the end, and two files must never be compared on chunks cut at different places.
    std::size_t fill(int fd, std::vector<char>& chunk) const {
        std::size_t used = 0;
        while (used < chunk.size()) {
            const ssize_t n = m_read(fd, chunk.data() + used, chunk.size() - used);
            if (n == 0)
                break;
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throwSystemError(errno, EIO);
            }
            used += static_cast<std::size_t>(n);
        }
        return used;
    }

    Reader m_read;
    std::vector<char> m_original;
    std::vector<char> m_copy;
};

CleanupBackup::CleanupBackup()
    : CleanupBackup([] { return CleanupPolicy::forCurrentUser(); }) {}

CleanupBackup::CleanupBackup(PolicyFactory policy, Seams seams)
    : m_policy(std::move(policy))
    , m_seams(std::move(seams)) {}

std::string CleanupBackup::folderName(Date createdAt, const Uuid& id) {
    const std::time_t seconds = static_cast<std::time_t>(std::floor(createdAt.unixSeconds()));
    std::tm local{};
    ::localtime_r(&seconds, &local);
    // Digits only, so that no locale can change the name.
    char time[64];
    std::snprintf(time, sizeof time, "%04d-%02d-%02d %02d.%02d.%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return "Ambertrove Backup " + std::string(time) + " " + id.text().substr(0, 8);
}

std::string CleanupBackup::workFolderName(const Uuid& id) {
    return ".Ambertrove-backup-" + id.text();
}

std::optional<std::int64_t> CleanupBackup::volumeAvailableCapacity(const std::string& folder) {
    struct statvfs volume {};
    if (::statvfs(folder.c_str(), &volume) != 0)
        throwSystemError(errno, EIO);
    // Pseudo and some network file systems report no blocks at all: they tell nothing.
    if (volume.f_blocks == 0)
        return std::nullopt;
    const unsigned long long unit = volume.f_frsize != 0 ? volume.f_frsize : volume.f_bsize;
    unsigned long long bytes = 0;
    if (__builtin_mul_overflow(static_cast<unsigned long long>(volume.f_bavail), unit, &bytes) ||
        bytes > static_cast<unsigned long long>(INT64_MAX))
        return INT64_MAX;
    return static_cast<std::int64_t>(bytes);
}

BackupReceipt CleanupBackup::create(const std::vector<CleanupEntry>& given, const std::string& parentFolder,
                                    const CancellationFlag& cancellation, const Progress& progress) const {
    const std::vector<CleanupEntry> entries = CleanupEntry::normalized(given);
    if (entries.empty())
        throw AmbertroveError(kNothingSelected);
    cancellation.check();

    const std::string parent = resolvedPath(parentFolder);
    struct stat parentStatus {};
    if (::stat(parent.c_str(), &parentStatus) != 0)
        throwSystemError(errno, EIO);
    const std::optional<std::int64_t> available =
        m_seams.availableCapacity ? m_seams.availableCapacity(parent) : volumeAvailableCapacity(parent);
    if (!S_ISDIR(parentStatus.st_mode))
        throw AmbertroveError(kChooseFolder);

    const std::vector<std::string> parentForms = ScanPaths::candidates(parent);
    // One policy judges every entry of this backup, before and after its copy.
    const CleanupPolicy policy = m_policy();
    // The running programs are read once for these checks, and afresh after each copy.
    const std::vector<std::string> programs = RunningPrograms::executables(policy.procRoot);
    for (const CleanupEntry& entry : entries) {
        for (const std::string& entryForm : ScanPaths::candidates(resolvedPath(entry.node.path)))
            for (const std::string& parentForm : parentForms)
                if (PathResolution::isSameOrInside(parentForm, entryForm))
                    throw AmbertroveError(kOutsideItems);
        cancellation.check();
        entry.validate(policy, programs);
    }

    std::int64_t needed = 0;
    for (const CleanupEntry& entry : entries)
        needed = saturatingAdd(needed, std::max<std::int64_t>(entry.node.logicalSize, 0));
    if (available && *available < needed)
        throw AmbertroveError("The backup needs " + formattedBytes(needed) +
                              ". Choose a disk with more free space.");

    BackupReceipt receipt;
    receipt.id = m_seams.newId ? m_seams.newId() : Uuid::random();
    receipt.createdAt = m_seams.now ? m_seams.now() : Date::now();
    receipt.directory = joined(parent, folderName(receipt.createdAt, receipt.id));
    const std::string work = joined(parent, workFolderName(receipt.id));

    if (::mkdir(work.c_str(), 0777) != 0)
        throwSystemError(errno, EIO);
    struct stat created {};
    if (::lstat(work.c_str(), &created) != 0) {
        const int error = errno;
        ::rmdir(work.c_str());
        throwSystemError(error, EIO);
    }

    try {
        Comparison comparison(m_seams.read);
        std::size_t number = 0;
        for (const CleanupEntry& entry : entries) {
            ++number;
            cancellation.check();
            const std::string& source = entry.node.path;
            const std::string name(PathText::name(source));
            char folder[32];
            std::snprintf(folder, sizeof folder, "%04zu", number);
            const std::string relative = "Files/" + std::string(folder) + "/" + name;
            const std::string destination = work + "/" + relative;
            makeFolder(work + "/Files");
            makeFolder(work + "/Files/" + folder);

            if (progress)
                progress("Backing up " + name + "…");
            FileTree::copy(source, destination);
            if (m_seams.afterCopy)
                m_seams.afterCopy(source, destination);
            cancellation.check();
            if (progress)
                progress("Verifying " + name + "…");
            verify(source, destination, cancellation, comparison);
            if (m_seams.afterVerify)
                m_seams.afterVerify(source, destination);
            // An original that changed while it was copied stops the backup.
            entry.validate(policy);
            receipt.items.push_back(BackupItem{source, relative, entry.node.logicalSize});
        }
        cancellation.check();
        writeFileAtomically(work + "/Manifest.json", receipt.encode());
        renameWithoutReplacing(work, receipt.directory);
    } catch (...) {
        // Only the folder made above, never whatever may have taken its name since.
        struct stat now {};
        if (::lstat(work.c_str(), &now) == 0 && now.st_dev == created.st_dev && now.st_ino == created.st_ino)
            FileTree::removeFolder(work);
        throw;
    }
    return receipt;
}

void CleanupBackup::verify(const std::string& source, const std::string& copy,
                           const CancellationFlag& cancellation, Comparison& comparison) const {
    if (!FileIdentity::read(source).second.isDirectory()) {
        comparison.files(source, copy, cancellation);
        return;
    }
    const DiskScanner scanner(m_seams.scanHooks);
    const ScanResult original = scanner.scan(source, cancellation);
    const ScanResult copied = scanner.scan(copy, cancellation);
    if (original.skippedCount > 0 || copied.skippedCount > 0 || original.nodes.size() != copied.nodes.size())
        throw AmbertroveError(kNotVerified);

    const NodeTable& nodes = original.nodes;
    const NodeTable& copies = copied.nodes;
    const std::size_t rootLength = original.rootPath.size();
    std::string path;
    std::string copyPath;
    for (NodeIndex i = 0; i < nodes.recordCount(); ++i) {
        if (!nodes.isNode(i))
            continue;
        cancellation.check();
        path = nodes.nodePath(i);
        copyPath = copied.rootPath;
        copyPath.append(path, std::min(rootLength, path.size()));
        const NodeIndex j = copies.find(copyPath);
        if (j == kNoNode)
            throw AmbertroveError(notVerified(path));
        const NodeTable::NodeRef a = nodes[i];
        const NodeTable::NodeRef b = copies[j];
        if (a.isDirectory() != b.isDirectory() || a.isSymbolicLink() != b.isSymbolicLink() ||
            a.logicalSize() != b.logicalSize() || a.isCloudPlaceholder())
            throw AmbertroveError(notVerified(path));
        if (a.isSymbolicLink()) {
            if (FileTree::linkTarget(path) != FileTree::linkTarget(copyPath))
                throw AmbertroveError(kLinkDiffers);
        } else if (!a.isDirectory()) {
            comparison.files(path, copyPath, cancellation);
        }
    }
}

} // namespace ambertrove
