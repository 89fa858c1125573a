#pragma once

#include "cleanup/BackupReceipt.hpp"
#include "cleanup/CleanupEntry.hpp"
#include "cleanup/TrashReceipt.hpp"
#include "controller/Clock.hpp"

#include <QStringList>

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// The cleanup queue, the Trash receipts and the backups, kept as three JSON arrays in the state folder.
//
// A file that exists but cannot be read or decoded is moved aside under a new name before anything can
// write its name again: a receipt lost to an empty list written over it would leave an item in the Trash
// that can no longer be put back.
class StateFiles {
public:
    static constexpr std::string_view kQueueFile = "cleanup.json";
    static constexpr std::string_view kReceiptsFile = "receipts.json";
    static constexpr std::string_view kBackupsFile = "backups.json";
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

    // Reads the three files. A missing file gives an empty list and no message; a file that fails gives an
    // empty list and a message, and is set aside (the message says where it went).
    [[nodiscard]] Loaded load();

    // Writes the three files, each atomically, creating the folder when needed. Each file is written even
    // when another one fails, so that receipts of items just moved to the Trash never stay in memory only
    // because the queue could not be written. A file that failed to load and could not be set aside is
    // tried again and, while it still cannot be moved, is not written. Throws std::system_error when the
    // folder cannot be made, and otherwise one AmbertroveError that names every file not written and why.
    void save(const std::vector<CleanupEntry>& queue, const std::vector<TrashReceipt>& receipts,
              const std::vector<BackupReceipt>& backups);
    // The same with the queue already encoded (the encoding of the queue, made off the GUI thread).
    void saveEncoded(const std::string& queueJson, const std::vector<TrashReceipt>& receipts,
                     const std::vector<BackupReceipt>& backups);

    // The name a file failing now would be set aside under (before any clash with an existing name).
    [[nodiscard]] std::string unreadableName(std::string_view name) const;

private:
    // Moves the file to a free name beside it; returns that name. Throws std::system_error.
    std::string setAside(std::string_view name);
    template <typename Record>
    void loadFile(std::string_view name, const char* prefix, std::vector<Record>& into,
                  std::vector<Record> (*decode)(std::string_view), QStringList& messages);

    std::string m_directory;
    std::shared_ptr<const Clock> m_clock;
    // Files that failed to load and are still in place.
    std::set<std::string, std::less<>> m_heldBack;
};

} // namespace ambertrove
