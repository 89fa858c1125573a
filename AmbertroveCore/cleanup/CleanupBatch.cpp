#include "cleanup/CleanupBatch.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"

namespace ambertrove {

CleanupBatch CleanupBatch::prepare(const std::vector<std::string>& paths, const ScanResult& scan,
                                   const std::string& reason, const CancellationFlag& cancellation,
                                   std::stop_token task, const PolicyFactory& policy) {
    CleanupBatch batch;
    for (const std::string& path : paths) {
        cancellation.check();
        if (task.stop_requested())
            throw CancellationError();
        try {
            const std::optional<DiskNode> node = scan.nodes.node(path);
            if (!node)
                throw AmbertroveError("Item is no longer in this scan.");
            batch.entries.emplace_back(*node, scan, reason,
                                       policy ? policy() : CleanupPolicy::forCurrentUser());
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
