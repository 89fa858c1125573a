#include "cleanup/CleanupWorkflow.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "platform/RunningPrograms.hpp"

namespace ambertrove {

namespace {

constexpr const char* kNothingSelected = "No files selected.";
constexpr const char* kRetainedCopySelected =
    "A duplicate marked to keep is selected for cleanup. Remove it first.";
constexpr const char* kUnexpected = "An unexpected error stopped the cleanup.";

} // namespace

CleanupWorkflow::CleanupWorkflow()
    : m_policy([] { return CleanupPolicy::forCurrentUser(); }) {}

CleanupWorkflow::CleanupWorkflow(std::shared_ptr<const Trash> trash, PolicyFactory policy,
                                 CleanupBackup::Seams backupSeams)
    : m_service(std::move(trash), policy)
    , m_policy(std::move(policy))
    , m_backupSeams(std::move(backupSeams)) {}

std::string CleanupWorkflow::snapshotTitle(const ScanResult& scan) {
    const NodeIndex root = scan.rootIndex();
    const std::string name =
        root == kNoNode ? std::string("Scan") : std::string(PathText::name(scan.nodes.nodePath(root)));
    return "Before cleanup — " + name;
}

CleanupRunResult CleanupWorkflow::run(const std::vector<CleanupEntry>& given,
                                      const std::optional<std::string>& backupParent,
                                      const ScanResultPtr& snapshot, SnapshotStore& snapshotStore,
                                      const CancellationFlag& cancellation, const Progress& progress) const {
    CleanupRunResult result;
    const auto report = [&progress](CleanupPhase phase, std::string message) {
        if (progress)
            progress(CleanupProgress{phase, std::move(message)});
    };
    try {
        const std::vector<CleanupEntry> entries = CleanupEntry::normalized(given);
        if (entries.empty()) {
            result.preparationError = kNothingSelected;
            return result;
        }
        std::optional<CleanupPolicy> policy;

        // Nothing is moved unless every step before the move has finished.
        try {
            cancellation.check();
            report(CleanupPhase::checking, "Checking files…");
            if (CleanupService::hasRetainedCopyConflict(entries))
                throw AmbertroveError(kRetainedCopySelected);
            // One policy for the whole run: what it reads about the system (accounts, mounts, the
            // protected entries) is read once, and afresh by the next run.
            policy.emplace(m_policy());
            const std::vector<std::string> programs = RunningPrograms::executables(policy->procRoot);
            for (const CleanupEntry& entry : entries) {
                cancellation.check();
                entry.validate(*policy, programs);
            }

            if (backupParent) {
                const CleanupBackup backup([&policy] { return *policy; }, m_backupSeams);
                result.backup =
                    backup.create(entries, *backupParent, cancellation, [&](const std::string& message) {
                        report(CleanupPhase::backingUp, message);
                    });
            }
            cancellation.check();

            if (snapshot) {
                report(CleanupPhase::savingSnapshot, "Saving scan snapshot…");
                result.snapshot = snapshotStore.save(*snapshot, snapshotTitle(*snapshot));
            }
            cancellation.check();
        } catch (const CancellationError&) {
            result.cancelled = true;
            return result;
        } catch (const std::exception& e) {
            result.preparationError = e.what();
            return result;
        }

        // Once begun, the move runs to its end: every entry is attempted.
        report(CleanupPhase::movingToTrash, "Moving to Trash…");
        result.outcome = m_service.moveToTrash(entries, true, *policy);
    } catch (const std::exception& e) {
        // Only the caller's progress callback or an exhausted memory can get here.
        result.preparationError = e.what();
    } catch (...) {
        result.preparationError = kUnexpected;
    }
    return result;
}

} // namespace ambertrove
