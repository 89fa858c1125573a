#pragma once

#include "base/Date.hpp"
#include "base/TaskCancellation.hpp"
#include "base/Uuid.hpp"
#include "model/ScanResult.hpp"
#include "platform/FileDescriptor.hpp"
#include "snapshots/SnapshotCatalog.hpp"
#include "snapshots/SnapshotChange.hpp"
#include "snapshots/SnapshotRecord.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// Saved scans in one folder: for each, U.json holds the scan and U.meta its record, where U is the
// record's UUID text. The store holds only the folder's location; every call works on the files.
//
// Every call opens the folder as a private folder (AppStorage::openPrivateFolder): it and the folders above
// it that the store counts as its own must be the user's, or the call is refused with a sentence that says
// why. Files are read as stored files (no link followed, never waiting on a named pipe or a device): a
// record of at most kRecordLimit bytes, a scan of at most kScanLimit.
class SnapshotStore {
public:
    // Where a new record gets its identifier and date; tests pass fixed ones.
    struct Sources {
        std::function<Uuid()> newId = &Uuid::random;
        std::function<Date()> now = &Date::now;
    };

    static constexpr std::uint64_t kRecordLimit = 64'000;
    static constexpr std::uint64_t kScanLimit = 16'000'000'000;
    static constexpr std::string_view kFolderName = "Snapshots";

    // Only stores the location; the folder need not exist. Only the folder itself counts as the store's own.
    explicit SnapshotStore(std::string directory);
    SnapshotStore(std::string directory, Sources sources);
    // The application's store: the "Snapshots" folder of the state folder, both counted as its own.
    [[nodiscard]] static SnapshotStore inStateFolder(const std::string& stateDirectory);
    [[nodiscard]] static SnapshotStore inStateFolder(const std::string& stateDirectory, Sources sources);

    [[nodiscard]] const std::string& directory() const { return m_directory; }

    // Creates the folder with its missing parents (owner-only), writes the scan file and then the record
    // file, each atomically. When the record cannot be written the scan file is removed again, so that a
    // failed save leaves nothing behind. Throws std::system_error, or EncodingError for a scan that would not
    // read back.
    SnapshotRecord save(const ScanResult& scan, const std::string& title);

    // Every usable record, newest first, and an issue for each record file that cannot be used.
    // Reads only the record files and the scan files' status. Throws only when the folder exists but is
    // refused or cannot be listed.
    [[nodiscard]] SnapshotCatalog catalog() const;
    [[nodiscard]] std::vector<SnapshotRecord> list() const;

    // The saved scan, streamed from its file. Throws std::system_error or DecodingError, and
    // CancellationError once `cancellation` is cancelled (it is looked at every few thousand nodes).
    [[nodiscard]] ScanResult load(const SnapshotRecord& record,
                                  const TaskCancellation& cancellation = {}) const;

    // Removes the scan file and then the record file. A scan file that is already gone does not stop the
    // record file's removal, so that a record left without its scan can always be cleared. Any other
    // failure is thrown; when removing the scan file fails, the record file is left alone.
    void remove(const SnapshotRecord& record) const;

    // The paths whose size differs between an earlier and a later scan of the same root, largest change
    // first, equal changes by path. Throws AmbertroveError when the roots differ, and CancellationError once
    // `cancellation` is cancelled (looked at every few hundred entries and comparisons of the sort).
    [[nodiscard]] static std::vector<SnapshotChange> compare(const ScanResult& earlier,
                                                             const ScanResult& later, bool logical,
                                                             const TaskCancellation& cancellation = {});

    // The paths of a record's two files.
    [[nodiscard]] std::string scanPath(const SnapshotRecord& record) const;
    [[nodiscard]] std::string recordPath(const SnapshotRecord& record) const;

private:
    [[nodiscard]] std::string pathOf(const std::string& name) const;
    [[nodiscard]] FileDescriptor openFolder(bool create) const;

    std::string m_directory;
    Sources m_sources;
    // How many folders of the path, the store's own last, must be the user's own.
    std::size_t m_ownLevels = 1;
};

} // namespace ambertrove
