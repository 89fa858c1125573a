#pragma once

#include "platform/FileStatus.hpp"

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {

// The system Trash as the cleanup service uses it. Nothing is ever deleted or overwritten through it.
class Trash {
public:
    // The caller's own test of the item, made on the status read through the item's open folder at the
    // last moment before it moves: a sentence refuses the move (thrown as AmbertroveError), nothing lets
    // it go.
    using ItemCheck = std::function<std::optional<std::string>(const FileStatus&)>;

    // One item of a batch.
    struct Move {
        std::string path;
        ItemCheck check;
    };
    // What became of one item of a batch: its path in the Trash when the platform tells it, or what
    // refused or failed it (then the item was not moved).
    struct Moved {
        std::optional<std::string> trashPath;
        std::exception_ptr failure;
    };

    virtual ~Trash() = default;

    // Moves the item at `path` into the Trash and returns its path there, when the platform tells it.
    // Throws std::system_error or AmbertroveError when the item was not moved, or is not where the
    // returned path says.
    virtual std::optional<std::string> moveToTrash(const std::string& path, const ItemCheck& check) const = 0;
    std::optional<std::string> moveToTrash(const std::string& path) const { return moveToTrash(path, {}); }

    // Moves each item as moveToTrash does, in order; one item's failure leaves the others going. Every
    // item reported moved is as durable as a single move would leave it. A Trash that can share its
    // flushes between the items of a batch does so; this one moves them one at a time.
    [[nodiscard]] virtual std::vector<Moved> moveAllToTrash(const std::vector<Move>& items) const {
        std::vector<Moved> results(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            try {
                results[i].trashPath = moveToTrash(items[i].path, items[i].check);
            } catch (...) {
                results[i].failure = std::current_exception();
            }
        }
        return results;
    }

    // Moves the item at `trashPath` back to `originalPath`, never replacing an entry there, and forgets
    // the Trash's record of it. Throws std::system_error or AmbertroveError when the item was not moved.
    virtual void restore(const std::string& trashPath, const std::string& originalPath,
                         const ItemCheck& check) const = 0;
    void restore(const std::string& trashPath, const std::string& originalPath) const {
        restore(trashPath, originalPath, {});
    }

    // One item of a batch to put back.
    struct Restore {
        std::string trashPath;
        std::string originalPath;
        ItemCheck check;
    };
    // Puts each item back as restore does, in order; one item's failure leaves the others going. Answers
    // each item's failure, or nothing when it is back. A Trash that can share its flushes between the
    // items of a batch does so; this one puts them back one at a time.
    [[nodiscard]] virtual std::vector<std::exception_ptr>
    restoreAll(const std::vector<Restore>& items) const {
        std::vector<std::exception_ptr> failures(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            try {
                restore(items[i].trashPath, items[i].originalPath, items[i].check);
            } catch (...) {
                failures[i] = std::current_exception();
            }
        }
        return failures;
    }
};

} // namespace ambertrove
