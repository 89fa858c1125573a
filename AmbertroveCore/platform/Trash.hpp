#pragma once

#include "platform/FileStatus.hpp"

#include <functional>
#include <optional>
#include <string>

namespace ambertrove {

// The system Trash as the cleanup service uses it. Nothing is ever deleted or overwritten through it.
class Trash {
public:
    // The caller's own test of the item, made on the status read through the item's open folder at the
    // last moment before it moves: a sentence refuses the move (thrown as AmbertroveError), nothing lets
    // it go.
    using ItemCheck = std::function<std::optional<std::string>(const FileStatus&)>;

    virtual ~Trash() = default;

    // Moves the item at `path` into the Trash and returns its path there, when the platform tells it.
    // Throws std::system_error or AmbertroveError when the item was not moved, or is not where the
    // returned path says.
    virtual std::optional<std::string> moveToTrash(const std::string& path, const ItemCheck& check) const = 0;
    std::optional<std::string> moveToTrash(const std::string& path) const { return moveToTrash(path, {}); }

    // Moves the item at `trashPath` back to `originalPath`, never replacing an entry there, and forgets
    // the Trash's record of it. Throws std::system_error or AmbertroveError when the item was not moved.
    virtual void restore(const std::string& trashPath, const std::string& originalPath,
                         const ItemCheck& check) const = 0;
    void restore(const std::string& trashPath, const std::string& originalPath) const {
        restore(trashPath, originalPath, {});
    }
};

} // namespace ambertrove
