#pragma once

#include "platform/Trash.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ambertrove {

// The Trash of the freedesktop.org Trash specification: the home trash for items on the home's file
// system, else a trash at the top folder of the item's own file system. An item is always renamed, never
// copied, so it stays on its file system; its "info/NAME.trashinfo" record is written before the move. The
// item is reached without following a link along its path (a linked folder fails with ENOTDIR). The trash
// folder is opened once, checked on that descriptor (a real folder of the user's that nobody else may
// write), and every later step is taken relative to it: a folder swapped on the way is never written to.
class FreedesktopTrash final : public Trash {
public:
    struct Locations {
        // The home trash, $XDG_DATA_HOME/Trash.
        std::string homeTrash;
        // The user whose "$topdir/.Trash-$uid" or "$topdir/.Trash/$uid" is used elsewhere.
        uid_t uid = 0;
        // The top folder of the file system that holds an existing entry (the mount point); the default
        // walks up the entry's folders while they stay on its file system.
        std::function<std::string(const std::string&)> topDirectory;
        // Whether an existing entry is on the home trash's file system; the default compares the devices
        // of the entry and of the home trash (or its nearest existing folder), whatever mount shows them.
        std::function<bool(const std::string&)> isOnHomeFileSystem;
        // Called with the item's path once every check is made, just before the item is moved: lets a test
        // change the file system at the one moment where a change must not go unnoticed.
        std::function<void(const std::string&)> beforeMove = {};
        // Flushes an open file or folder to the disk, answering 0 or an errno value; fsync by default.
        // Lets a test see what is flushed and when, and make a flush fail.
        std::function<int(int fd)> sync = {};
    };

    explicit FreedesktopTrash(Locations locations);

    using Trash::moveToTrash;
    using Trash::restore;
    // The item's identity is read through its open folder before and after the rename: an item put in its
    // place meanwhile is moved back (never replacing anything) and the move fails.
    std::optional<std::string> moveToTrash(const std::string& path, const ItemCheck& check) const override;
    // The items of a batch have their records written and flushed together, with one flush of each
    // "info" folder, before any of them is renamed; the "files" folders are flushed once after.
    [[nodiscard]] std::vector<Moved> moveAllToTrash(const std::vector<Move>& items) const override;
    void restore(const std::string& trashPath, const std::string& originalPath,
                 const ItemCheck& check) const override;
    // The items of a batch are renamed back first; then every folder they left or entered is flushed once,
    // and only then are their records removed and the items told back. An item is never in the Trash
    // without its record: a crash leaves at worst a record that names nothing any more.
    [[nodiscard]] std::vector<std::exception_ptr>
    restoreAll(const std::vector<Restore>& items) const override;

    // The trash folder (holding "files" and "info") that an item at `path` goes to; creates it when missing.
    // Throws std::system_error when there is no usable one.
    [[nodiscard]] std::string trashFolderFor(const std::string& path) const;
    // The walk up the file system's folders that the default `topDirectory` uses.
    static std::string mountTopDirectory(const std::string& path);

    // "Path=" value text: bytes other than unreserved characters and "/" as %XX.
    static std::string percentEncoded(std::string_view path);
    // The name in the Trash for the `attempt`-th try: "name", "name 2", "name 3", ... with the
    // extension kept at the end, shortened so that "NAME.trashinfo" fits in a file name.
    static std::string trashName(std::string_view name, int attempt);

private:
    Locations m_locations;
};

} // namespace ambertrove
