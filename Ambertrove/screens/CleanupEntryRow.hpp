#pragma once

#include "cleanup/CleanupEntry.hpp"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace ambertrove {

// What one row of the cleanup queue shows of its entry: the item's name, path and size, a lock when the
// cleanup policy objects to it, and a third line with the objection, or with the note of a duplicate whose
// kept copy is checked again. The policy's answer is found off the GUI thread and set when it arrives.
struct CleanupEntryRow {
    enum class Note { none, rejection, keptCopy };

    std::string path;
    QString name;
    QString shownPath;
    QString size;
    std::int64_t bytes = 0;
    bool isDirectory = false;
    bool hasRetainedCopies = false;
    // The policy's objection, once known; nothing while it is not (or when there is none).
    std::optional<QString> rejection;

    [[nodiscard]] static CleanupEntryRow of(const CleanupEntry& entry);

    [[nodiscard]] bool isProtected() const { return rejection.has_value(); }
    // "lock.shield", "folder" or "doc".
    [[nodiscard]] QString symbol() const;
    // The objection wins over the note of a kept copy.
    [[nodiscard]] Note note() const;
    [[nodiscard]] QString noteText() const;
};

} // namespace ambertrove
