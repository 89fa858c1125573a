#include "applications/InstalledApplication.hpp"

#include "base/AmbertroveError.hpp"
#include "platform/PathResolution.hpp"

namespace ambertrove {

namespace {

constexpr const char* kUnmeasuredBundle = "The app bundle could not be measured.";

std::int64_t allocatedRootSize(const ScanResultPtr& scan) {
    if (!scan)
        return 0;
    const NodeIndex root = scan->rootIndex();
    return root == kNoNode ? 0 : scan->nodes[root].allocatedSize();
}

} // namespace

std::int64_t InstalledApplication::bytes() const {
    std::int64_t total = allocatedRootSize(bundleScan);
    for (const AppSupportFile& item : support)
        total = saturatingAdd(total, item.node.allocatedSize);
    return total;
}

std::vector<AppSupportFile> InstalledApplication::uninstallSupport() const {
    std::vector<AppSupportFile> items;
    for (const AppSupportFile& item : support)
        if (!item.isShared)
            items.push_back(item);
    return items;
}

std::vector<CleanupEntry> InstalledApplication::cleanupEntries(const PolicyFactory& policy) const {
    const std::optional<DiskNode> bundle = bundleScan ? bundleScan->root() : std::nullopt;
    if (!bundle)
        throw AmbertroveError(kUnmeasuredBundle);
    const std::string reason = "Uninstall " + name;
    const CleanupPolicy rules = policy();
    std::vector<CleanupEntry> entries;
    entries.emplace_back(*bundle, *bundleScan, reason, rules);
    for (const AppSupportFile& item : support) {
        if (item.isShared)
            continue;
        // An item inside the bundle goes with the bundle; staging it apart would only be refused as
        // application contents.
        if (PathResolution::isInside(item.node.path, bundle->path))
            continue;
        // An item without its scan cannot prove it is unchanged: the empty scan has it refused.
        static const ScanResult kNoScan;
        entries.emplace_back(item.node, item.scan ? *item.scan : kNoScan, reason + " · " + item.category,
                             rules);
    }
    return CleanupEntry::normalized(entries);
}

} // namespace ambertrove
