#pragma once

#include "base/Date.hpp"
#include "cleanup/CleanupPolicy.hpp"
#include "model/DiskNode.hpp"
#include "model/FileIdentity.hpp"
#include "model/ScanResult.hpp"
#include "scan/DiskScanner.hpp"

#include <map>
#include <string>
#include <vector>

namespace ambertrove {

// One staged item of the cleanup queue: the item as the scan saw it, the identity of everything it covers,
// when and why it was staged, and the duplicate copies kept beside it.
struct CleanupEntry {
    DiskNode node;
    // The item and every entry of the scan beneath it, by absolute path, as recorded at staging.
    std::map<std::string, FileIdentity> identities;
    Date stagedAt;
    std::string reason;
    // The duplicate copies the user keeps instead of this item, with their identities when chosen.
    std::map<std::string, FileIdentity> retainedCopies;

    CleanupEntry() = default;
    // Stages `node` of `scan`. Throws AmbertroveError when the policy or the scan does not allow it.
    CleanupEntry(const DiskNode& node, const ScanResult& scan, std::string reason,
                 const CleanupPolicy& policy);

    [[nodiscard]] const std::string& id() const { return node.path; }

    // Checks that the item on disk is still exactly what was staged (a folder is scanned afresh with
    // `scanner`). Throws AmbertroveError, std::system_error of a failed status read, or the fresh scan's
    // error.
    void validate(const CleanupPolicy& policy, const DiskScanner& scanner = DiskScanner()) const;
    // The same against the running programs' executables as RunningPrograms::executables(policy.procRoot)
    // read them, so that checks made together read the process list once.
    void validate(const CleanupPolicy& policy, const std::vector<std::string>& runningPrograms,
                  const DiskScanner& scanner = DiskScanner()) const;

    // One entry per top-most item, shortest path first; covered entries give their retained copies to the
    // entry that covers them.
    [[nodiscard]] static std::vector<CleanupEntry> normalized(const std::vector<CleanupEntry>& entries);

    friend bool operator==(const CleanupEntry&, const CleanupEntry&) = default;
};

} // namespace ambertrove
