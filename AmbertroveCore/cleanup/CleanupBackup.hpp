#pragma once

#include "base/Date.hpp"
#include "base/Uuid.hpp"
#include "cleanup/BackupReceipt.hpp"
#include "cleanup/CleanupEntry.hpp"
#include "cleanup/CleanupPolicy.hpp"
#include "scan/CancellationFlag.hpp"
#include "scan/ScanFileSystem.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ambertrove {

// A verified copy of staged items, made whole or not at all: it is built in a hidden folder beside its
// final place, every copy is compared with its original, every original is validated again once its copy
// is verified, the manifest is written, and only then does the folder get its final, dated name.
class CleanupBackup {
public:
    static constexpr std::size_t kChunkSize = std::size_t(1) << 20;

    using Progress = std::function<void(const std::string&)>;
    using PolicyFactory = std::function<CleanupPolicy()>;
    using ItemHook = std::function<void(const std::string& source, const std::string& copy)>;

    // What the backup asks of the system, replaceable in tests; an empty one means the real thing.
    struct Seams {
        // The bytes available on the volume that holds a folder, or nothing when it tells none.
        // Throws std::system_error when it cannot be read.
        std::function<std::optional<std::int64_t>(const std::string& folder)> availableCapacity;
        // Called once an item is copied, before its copy is verified.
        ItemHook afterCopy;
        // Called once a copy is verified, before its original is validated again.
        ItemHook afterVerify;
        // Reads from a file being compared, as read(2) does.
        std::function<ssize_t(int fd, void* buffer, std::size_t size)> read;
        // Passed to the scans that verify a copied folder.
        std::shared_ptr<const ScanFileSystem> scanHooks;
        // The backup's identifier and creation date.
        std::function<Uuid()> newId;
        std::function<Date()> now;
    };

    // The current user's policy and the real system.
    CleanupBackup();
    // One policy is made from `policy` for each backup; it judges all its validations.
    explicit CleanupBackup(PolicyFactory policy, Seams seams = {});

    // Copies the normalized entries into a new backup folder inside `parent` and returns its receipt.
    // `progress` gets one sentence per step. Throws AmbertroveError, an entry's validation error,
    // std::system_error of the file system, or CancellationError; after any failure nothing of the
    // backup remains in `parent`.
    BackupReceipt create(const std::vector<CleanupEntry>& entries, const std::string& parent,
                         const CancellationFlag& cancellation, const Progress& progress) const;

    // "Ambertrove Backup yyyy-MM-dd HH.mm.ss XXXXXXXX": the local time of `createdAt` and the first 8
    // characters of the identifier's text.
    [[nodiscard]] static std::string folderName(Date createdAt, const Uuid& id);
    // ".Ambertrove-backup-" and the identifier's text.
    [[nodiscard]] static std::string workFolderName(const Uuid& id);
    // The bytes available to this user on the volume that holds `folder` (statvfs); nothing when the
    // file system tells no capacity at all.
    [[nodiscard]] static std::optional<std::int64_t> volumeAvailableCapacity(const std::string& folder);

private:
    class Comparison;

    void verify(const std::string& source, const std::string& copy, const CancellationFlag& cancellation,
                Comparison& comparison) const;

    PolicyFactory m_policy;
    Seams m_seams;
};

} // namespace ambertrove
