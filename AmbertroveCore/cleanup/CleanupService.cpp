#include "cleanup/CleanupService.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "platform/FreedesktopTrash.hpp"
#include "platform/PathResolution.hpp"
#include "platform/RunningPrograms.hpp"
#include "scan/ScanPaths.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <exception>
#include <system_error>
#include <unistd.h>

namespace ambertrove {

namespace {

constexpr const char* kBatchConflict = "A duplicate copy marked to keep is also in Cleanup. Remove it or its "
                                       "containing folder first; no files were moved.";
constexpr const char* kOwnConflict =
    "The copy marked to keep is also in Cleanup. Remove it or its containing "
    "folder from the queue first.";
constexpr const char* kNoLocation =
    "Moved to Trash. macOS did not provide the restore location; use Finder's Put Back command.";
constexpr const char* kOccupied =
    "An item already exists at the original location. Restore from Finder to choose another destination.";
constexpr const char* kTrashedItemChanged = "The item in Trash has changed. Restore it using Finder.";
constexpr const char* kParentMissing =
    "The original parent folder is missing or moved. Restore using Finder.";
constexpr const char* kProtectedDestination =
    "The original location is protected. Ambertrove cannot restore the item there.";

// Runs `check` and gives the sentence of what it threw, or nothing.
template <class F> std::optional<std::string> failureOf(F&& check) {
    try {
        check();
        return std::nullopt;
    } catch (const std::exception& e) {
        return std::string(e.what());
    }
}

// The sentence of a failure the Trash handed back.
std::string sentenceOf(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        return e.what();
    }
}

// At most how many entries are validated and then moved together, and for how long their checks may go
// on before the batch moves.
constexpr std::size_t kMoveBatch = 128;
constexpr std::chrono::milliseconds kMoveBatchChecks{50};

// Whether the item in the Trash differs from the one the receipt recorded.
bool changedSince(const FileIdentity& recorded, const FileIdentity& current) {
    return current.key() != recorded.key() || current.size != recorded.size ||
           current.modifiedSeconds != recorded.modifiedSeconds ||
           current.modifiedNanos != recorded.modifiedNanos;
}

// The receipt's item checked for going back under `policy`, with the check the Trash makes once more at
// the last moment. Throws AmbertroveError when it refuses, or the std::system_error of a failed status read.
Trash::Restore checkedRestore(const TrashReceipt& receipt, const CleanupPolicy& policy) {
    // A dangling link is something at the original place too.
    if (PathResolution::entryExists(receipt.originalPath))
        throw AmbertroveError(kOccupied);
    if (changedSince(receipt.identity, FileIdentity::read(receipt.trashPath).first))
        throw AmbertroveError(kTrashedItemChanged);
    const std::string parent = PathResolution::parentPath(receipt.originalPath);
    if (!PathResolution::entryExists(parent) || PathResolution::resolvingSymlinks(parent) != parent)
        throw AmbertroveError(kParentMissing);
    if (policy.rejection(receipt.originalPath))
        throw AmbertroveError(kProtectedDestination);
    // Checked once more through the Trash's open folder, at the last moment before the move.
    Trash::ItemCheck unchanged =
        [recorded = receipt.identity](const FileStatus& status) -> std::optional<std::string> {
        if (changedSince(recorded, FileIdentity::fromStatus(status)))
            return std::string(kTrashedItemChanged);
        return std::nullopt;
    };
    return Trash::Restore{receipt.trashPath, receipt.originalPath, std::move(unchanged)};
}

std::shared_ptr<const Trash> currentUsersTrash() {
    FreedesktopTrash::Locations where;
    where.homeTrash = CleanupPolicy::forCurrentUser().dataHome + "/Trash";
    where.uid = ::getuid();
    return std::make_shared<FreedesktopTrash>(std::move(where));
}

} // namespace

CleanupService::CleanupService()
    : CleanupService(currentUsersTrash(), [] { return CleanupPolicy::forCurrentUser(); }) {}

CleanupService::CleanupService(std::shared_ptr<const Trash> trash, PolicyFactory policy)
    : m_trash(std::move(trash))
    , m_policy(std::move(policy)) {}

bool CleanupService::hasRetainedCopyConflict(const std::vector<CleanupEntry>& entries) {
    std::vector<std::string> retained;
    for (const CleanupEntry& e : entries)
        for (const auto& [path, identity] : e.retainedCopies)
            retained.push_back(path);
    if (retained.empty())
        return false;
    std::vector<std::vector<std::string>> entryForms;
    entryForms.reserve(entries.size());
    for (const CleanupEntry& e : entries)
        entryForms.push_back(ScanPaths::candidates(e.node.path));
    for (const std::string& r : retained)
        for (const std::string& a : ScanPaths::candidates(r))
            for (const auto& forms : entryForms)
                for (const std::string& b : forms)
                    if (PathResolution::isSameOrInside(a, b))
                        return true;
    return false;
}

CleanupOutcome CleanupService::moveToTrash(const std::vector<CleanupEntry>& given,
                                           bool requireAllValid) const {
    return moveToTrash(given, requireAllValid, m_policy());
}

CleanupOutcome CleanupService::moveToTrash(const std::vector<CleanupEntry>& given, bool requireAllValid,
                                           const CleanupPolicy& policy) const {
    CleanupOutcome outcome;
    const std::vector<CleanupEntry> entries = CleanupEntry::normalized(given);

    if (hasRetainedCopyConflict(entries)) {
        for (const CleanupEntry& e : entries)
            outcome.errors[e.node.path] = kBatchConflict;
        return outcome;
    }

    if (requireAllValid) {
        // The running programs are read once for all these checks.
        const std::vector<std::string> programs = RunningPrograms::executables(policy.procRoot);
        for (const CleanupEntry& e : entries)
            if (std::optional<std::string> failure = failureOf([&] { e.validate(policy, programs); }))
                outcome.errors[e.node.path] = *failure;
        if (!outcome.errors.empty())
            return outcome;
    }

    // A few entries at a time: each is validated just before its batch moves, and the batch shares the
    // Trash's flushes and one reading of the running programs. A batch closes early once its checks took a
    // while (folders are scanned again), so that no entry waits long between its check and its move.
    std::size_t next = 0;
    while (next < entries.size()) {
        const auto opened = std::chrono::steady_clock::now();
        const std::vector<std::string> programs = RunningPrograms::executables(policy.procRoot);
        std::vector<const CleanupEntry*> going;
        std::vector<Trash::Move> moves;
        while (next < entries.size() && moves.size() < kMoveBatch &&
               std::chrono::steady_clock::now() - opened < kMoveBatchChecks) {
            const CleanupEntry& e = entries[next++];
            bool ownConflict = false;
            for (const auto& [copy, identity] : e.retainedCopies)
                for (const CleanupEntry& other : entries)
                    if (PathResolution::isSameOrInside(copy, other.node.path))
                        ownConflict = true;
            if (ownConflict) {
                outcome.errors[e.node.path] = kOwnConflict;
                continue;
            }
            if (std::optional<std::string> failure = failureOf([&] { e.validate(policy, programs); })) {
                outcome.errors[e.node.path] = *failure;
                continue;
            }
            // Checked once more through the item's open folder, at the last moment before it moves.
            Trash::ItemCheck unchanged = [&e](const FileStatus& status) -> std::optional<std::string> {
                if (FileIdentity::fromStatus(status) != e.node.identity)
                    return std::string(PathText::name(e.node.path)) +
                           " changed since the scan. Rescan and stage it again.";
                return std::nullopt;
            };
            moves.push_back(Trash::Move{e.node.path, std::move(unchanged)});
            going.push_back(&e);
        }
        if (moves.empty())
            continue;
        const std::vector<Trash::Moved> results = m_trash->moveAllToTrash(moves);
        for (std::size_t k = 0; k < going.size(); ++k) {
            const CleanupEntry& e = *going[k];
            const Trash::Moved& result = results.at(k);
            if (result.failure) {
                outcome.errors[e.node.path] = sentenceOf(result.failure);
                continue;
            }
            if (!result.trashPath) {
                outcome.errors[e.node.path] = kNoLocation;
                continue;
            }
            TrashReceipt receipt;
            receipt.id = Uuid::random();
            receipt.originalPath = e.node.path;
            receipt.trashPath = *result.trashPath;
            receipt.date = Date::now();
            receipt.bytes = e.node.allocatedSize;
            receipt.identity = e.node.identity;
            outcome.receipts.push_back(std::move(receipt));
        }
    }
    return outcome;
}

void CleanupService::restore(const TrashReceipt& receipt) const {
    const std::vector<std::exception_ptr> failures = restoreAll({receipt});
    if (failures.front())
        std::rethrow_exception(failures.front());
}

std::vector<std::exception_ptr> CleanupService::restoreAll(const std::vector<TrashReceipt>& receipts) const {
    std::vector<std::exception_ptr> failures(receipts.size());
    if (receipts.empty())
        return failures;
    // A receipt is read from disk: the place it names is judged like any item that could move, by one
    // policy for the whole call.
    const CleanupPolicy policy = m_policy();
    // As for a move: a few receipts at a time, each checked just before its batch goes back.
    std::size_t next = 0;
    while (next < receipts.size()) {
        const auto opened = std::chrono::steady_clock::now();
        std::vector<std::size_t> going;
        std::vector<Trash::Restore> restores;
        while (next < receipts.size() && restores.size() < kMoveBatch &&
               std::chrono::steady_clock::now() - opened < kMoveBatchChecks) {
            const std::size_t index = next++;
            const TrashReceipt& receipt = receipts[index];
            try {
                restores.push_back(checkedRestore(receipt, policy));
                going.push_back(index);
            } catch (...) {
                failures[index] = std::current_exception();
            }
        }
        if (restores.empty())
            continue;
        const std::vector<std::exception_ptr> results = m_trash->restoreAll(restores);
        for (std::size_t k = 0; k < going.size(); ++k) {
            const std::exception_ptr& failure = results.at(k);
            if (!failure)
                continue;
            failures[going[k]] = failure;
            try {
                std::rethrow_exception(failure);
            } catch (const std::system_error& e) {
                // Something took the place between the check and the move; it was left alone.
                if (e.code() == std::errc::file_exists)
                    failures[going[k]] = std::make_exception_ptr(AmbertroveError(kOccupied));
            } catch (...) {
            }
        }
    }
    return failures;
}

} // namespace ambertrove
