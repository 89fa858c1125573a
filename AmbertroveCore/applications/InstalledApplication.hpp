#pragma once

#include "applications/AppSupportFile.hpp"
#include "base/Date.hpp"
#include "cleanup/CleanupEntry.hpp"
#include "cleanup/CleanupPolicy.hpp"
#include "model/ScanResult.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {

// One application bundle with its measured size and the Library items attributed to it.
struct InstalledApplication {
    std::string path; // the bundle's canonical path (the root of `bundleScan`)
    std::string name; // the bundle's file name without its extension
    std::string bundleID;
    std::string version; // the bundle's short version string, or "—"
    std::optional<Date> lastUsed;
    ScanResultPtr bundleScan;
    std::vector<AppSupportFile> support; // largest allocated size first

    [[nodiscard]] const std::string& id() const { return path; }

    // The bundle's allocated size plus that of every support item, shared ones included.
    [[nodiscard]] std::int64_t bytes() const;
    // The support items that go with the application at an uninstall (those no other application shares).
    [[nodiscard]] std::vector<AppSupportFile> uninstallSupport() const;

    using PolicyFactory = std::function<CleanupPolicy()>;
    // The cleanup entries of a complete uninstall: the bundle, then its unshared support items, one entry per
    // top-most place. One policy from `policy` judges every entry. Throws AmbertroveError when the bundle was
    // not measured or an item may not be staged; no partial list is returned.
    [[nodiscard]] std::vector<CleanupEntry>
    cleanupEntries(const PolicyFactory& policy = CleanupPolicy::forCurrentUser) const;
};

} // namespace ambertrove
