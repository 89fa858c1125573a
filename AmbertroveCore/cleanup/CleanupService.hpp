#pragma once

#include "cleanup/CleanupEntry.hpp"
#include "cleanup/CleanupOutcome.hpp"
#include "cleanup/CleanupPolicy.hpp"
#include "cleanup/TrashReceipt.hpp"
#include "platform/Trash.hpp"

#include <exception>
#include <functional>
#include <memory>
#include <vector>

namespace ambertrove {

// The one place where the user's items move: into the Trash, with a receipt each, and back out of it.
// Nothing is ever deleted or overwritten.
class CleanupService {
public:
    using PolicyFactory = std::function<CleanupPolicy()>;

    // The current user's Trash and policy.
    CleanupService();
    // One policy is made from `policy` for each move and each restore, and judges all of its checks.
    CleanupService(std::shared_ptr<const Trash> trash, PolicyFactory policy);

    // Whether a duplicate copy kept by one entry is itself staged or lies inside a staged folder, in any
    // of the path forms of either.
    [[nodiscard]] static bool hasRetainedCopyConflict(const std::vector<CleanupEntry>& entries);

    // Moves the normalized entries to the Trash. With `requireAllValid`, nothing moves unless every entry
    // validates. Each entry is validated again just before it moves, a few at a time, so that a few moves
    // share the Trash's flushes. Never throws: every failure is in the outcome's errors.
    [[nodiscard]] CleanupOutcome moveToTrash(const std::vector<CleanupEntry>& entries,
                                             bool requireAllValid) const;
    // The same under `policy`, the one of the run that checked the entries before.
    [[nodiscard]] CleanupOutcome moveToTrash(const std::vector<CleanupEntry>& entries, bool requireAllValid,
                                             const CleanupPolicy& policy) const;

    // Puts the item of `receipt` back where it was: only an item the Trash holds for that place, with its
    // record, and never into a place the policy protects. Throws AmbertroveError when it refuses, or the
    // std::system_error of a failed status read or move; nothing changes then.
    void restore(const TrashReceipt& receipt) const;
    // Puts back the item of each receipt as restore does, under one policy for the whole call, a few at a
    // time so that a few share the Trash's flushes. Answers each receipt's failure (what restore would
    // throw), or nothing when its item is back.
    [[nodiscard]] std::vector<std::exception_ptr> restoreAll(const std::vector<TrashReceipt>& receipts) const;

private:
    std::shared_ptr<const Trash> m_trash;
    PolicyFactory m_policy;
};

} // namespace ambertrove
