#include "cleanup/CleanupService.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "platform/FreedesktopTrash.hpp"
#include "platform/PathResolution.hpp"
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
        for (const CleanupEntry& e : entries)
            if (std::optional<std::string> failure = failureOf([&] { e.validate(policy); }))
                outcome.errors[e.node.path] = *failure;
        if (!outcome.errors.empty())
            return outcome;
    }

    // A few entries at a time: each is validated just before its batch moves, and the batch shares the
    // Trash's flushes. A batch closes early once its checks took a while (folders are scanned again), so
    // that no entry waits long between its check and its move.
    std::size_t next = 0;
    while (next < entries.size()) {
        const auto opened = std::chrono::steady_clock::now();
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
            if (std::optional<std::string> failure = failureOf([&] { e.validate(policy); })) {
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
    // A dangling link is something at the original place too.
    if (PathResolution::entryExists(receipt.originalPath))
        throw AmbertroveError(kOccupied);
    const FileIdentity& recorded = receipt.identity;
    const auto changed = [&recorded](const FileIdentity& current) {
        return current.key() != recorded.key() || current.size != recorded.size ||
               current.modifiedSeconds != recorded.modifiedSeconds ||
               current.modifiedNanos != recorded.modifiedNanos;
    };
    if (changed(FileIdentity::read(receipt.trashPath).first))
        throw AmbertroveError(kTrashedItemChanged);
    const std::string parent = PathResolution::parentPath(receipt.originalPath);
    if (!PathResolution::entryExists(parent) || PathResolution::resolvingSymlinks(parent) != parent)
        throw AmbertroveError(kParentMissing);
    // A receipt is read from disk: the place it names is judged like any item that could move.
    if (m_policy().rejection(receipt.originalPath))
        throw AmbertroveError(kProtectedDestination);
    // Checked once more through the Trash's open folder, at the last moment before the move.
    const Trash::ItemCheck unchanged = [&changed](const FileStatus& status) -> std::optional<std::string> {
        if (changed(FileIdentity::fromStatus(status)))
            return std::string(kTrashedItemChanged);
        return std::nullopt;
    };
    try {
        m_trash->restore(receipt.trashPath, receipt.originalPath, unchanged);
    } catch (const std::system_error& e) {
        // Something took the place between the check and the move; it was left alone.
        if (e.code() == std::errc::file_exists)
            throw AmbertroveError(kOccupied);
        throw;
    }
}

} // namespace ambertrove
