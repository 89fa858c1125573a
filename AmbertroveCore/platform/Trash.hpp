#pragma once

#include <optional>
#include <string>

namespace ambertrove {

// The system Trash as the cleanup service uses it. Nothing is ever deleted or overwritten through it.
class Trash {
public:
    virtual ~Trash() = default;

    // Moves the item at `path` into the Trash and returns its path there, when the platform tells it.
    // Throws std::system_error when the item was not moved.
    virtual std::optional<std::string> moveToTrash(const std::string& path) const = 0;

    // Moves the item at `trashPath` back to `originalPath`, never replacing an entry there, and forgets
    // the Trash's record of it. Throws std::system_error when the item was not moved.
    virtual void restore(const std::string& trashPath, const std::string& originalPath) const = 0;
};

} // namespace ambertrove
