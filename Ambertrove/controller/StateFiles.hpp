#pragma once

#include "cleanup/BackupReceipt.hpp"
#include "cleanup/CleanupEntry.hpp"
#include "cleanup/TrashReceipt.hpp"
#include "controller/Clock.hpp"

#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// The cleanup queue, the Trash receipts and the backups, kept as three JSON arrays in the state folder.
//
// The state folder is used only while it is the user's own (see AppStorage::openPrivateFolder): a folder
// refused when the state is loaded is never read from or written into while this object lives, and the
// state lives in memory only. Every file is opened as a stored file (no link followed, never waiting on a
// named pipe or a device, a size limit of its kind) and read as a stream, one record at a time.
//
// A file that exists but cannot be read or decoded is moved aside under a new name before anything can
// write its name again: a receipt lost to an empty list written over it would leave an item in the Trash
// that can no longer be put back.
class StateFiles {
public:
    static constexpr std::string_view kQueueFile = "cleanup.json";
    static constexpr std::string_view kReceiptsFile = "receipts.json";
    static constexpr std::string_view kBackupsFile = "backups.json";
    // The largest files read. A queued file takes about 900 bytes, so the queue holds about a million
    // staged items; a receipt takes about 350 bytes, a backed-up item about 100.
    static constexpr std::uint64_t kQueueLimit = 1'000'000'000;
    static constexpr std::uint64_t kReceiptsLimit = 256'000'000;
    static constexpr std::uint64_t kBackupsLimit = 256'000'000;
    // The first words of the load line of a refused state folder.
    static constexpr const char* kStatePrefix = "Cleanup state: ";
    // What the name of a file set aside adds: this, then the time it was set aside.
    static constexpr std::string_view kUnreadableSuffix = ".unreadable-";

    struct Loaded {
        std::vector<CleanupEntry> queue;
        std::vector<TrashReceipt> receipts;
        std::vector<BackupReceipt> backups;
        // One line per file that could not be loaded, in the order queue, receipts, backups.
        QStringList messages;
    };

    StateFiles(std::string directory, std::shared_ptr<const Clock> clock);

    [[nodiscard]] const std::string& directory() const { return m_directory; }
    [[nodiscard]] std::string path(std::string_view name) const;

    // Reads the three files. A missing file or folder gives an empty list and no message; a file that
    // fails gives an empty list and a message, and is set aside (the message says where it went). A state
    // folder that is refused or cannot be opened gives one message, and nothing is read or written after.
    [[nodiscard]] Loaded load();
    // Whether load() refused the folder, so that saves write nothing.
    [[nodiscard]] bool refused() const { return m_refused; }

    // Writes the three files, each atomically, creating the folder when needed. Each file is written even
    // when another one fails, so that receipts of items just moved to the Trash never stay in memory only
    // because the queue could not be written. A file that failed to load and could not be set aside is
    // tried again and, while it still cannot be moved, is not written. Writes nothing when load() refused
    // the folder. Throws std::system_error when the folder cannot be made, AmbertroveError when it is
    // refused now, and otherwise one AmbertroveError that names every file not written and why.
    void save(const std::vector<CleanupEntry>& queue, const std::vector<TrashReceipt>& receipts,
              const std::vector<BackupReceipt>& backups);
    // The same with the queue already encoded (the encoding of the queue, made off the GUI thread).
    void saveEncoded(const std::string& queueJson, const std::vector<TrashReceipt>& receipts,
                     const std::vector<BackupReceipt>& backups);

    // The whole state as one value, taken on the GUI thread and written on the state thread.
    struct State {
        std::vector<CleanupEntry> queue;
        // The encoding of `queue`, when it was made already.
        std::optional<std::string> queueJson;
        std::vector<TrashReceipt> receipts;
        std::vector<BackupReceipt> backups;
    };
    void save(const State& state);

    // The name a file failing now would be set aside under (before any clash with an existing name).
    [[nodiscard]] std::string unreadableName(std::string_view name) const;

private:
    // Moves the file to a free name beside it in `folder`; returns that name. Throws std::system_error.
    std::string setAside(int folder, std::string_view name);
    template <typename Decode>
    void loadFile(int folder, std::string_view name, std::uint64_t limit, const char* prefix, Decode&& decode,
                  QStringList& messages);

    std::string m_directory;
    std::shared_ptr<const Clock> m_clock;
    bool m_refused = false;
    // Files that failed to load and are still in place.
    std::set<std::string, std::less<>> m_heldBack;
};

} // namespace ambertrove
