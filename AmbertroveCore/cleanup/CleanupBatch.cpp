#include "cleanup/CleanupBatch.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"

#include <optional>

namespace ambertrove {

CleanupBatch CleanupBatch::prepare(const std::vector<std::string>& paths, const ScanResult& scan,
                                   const std::string& reason, const CancellationFlag& cancellation,
                                   std::stop_token task, const PolicyFactory& policy) {
    CleanupBatch batch;
    // One policy for the whole batch, made when the first path needs it: what it reads about the system
    // is read once for the job.
    std::optional<CleanupPolicy> jobPolicy;
    for (const std::string& path : paths) {
        cancellation.check();
        if (task.stop_requested())
            throw CancellationError();
        try {
            const std::optional<DiskNode> node = scan.nodes.node(path);
            if (!node)
                throw AmbertroveError("Item is no longer in this scan.");
            if (!jobPolicy)
                jobPolicy.emplace(policy ? policy() : CleanupPolicy::forCurrentUser());
            batch.entries.emplace_back(*node, scan, reason, *jobPolicy);
        } catch (const CancellationError&) {
            throw;
        } catch (const std::exception& e) {
            ++batch.skipped;
            if (batch.errors.size() < kMaxErrorLines)
                batch.errors.push_back(std::string(PathText::name(path)) + ": " + e.what());
        }
    }
    return batch;
}

} // namespace ambertrove
