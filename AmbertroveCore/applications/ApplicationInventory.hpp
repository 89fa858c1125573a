#pragma once

#include "applications/ApplicationOwnership.hpp"
#include "applications/ApplicationReport.hpp"
#include "base/Date.hpp"
#include "platform/DirectoryEnumerator.hpp"
#include "scan/CancellationFlag.hpp"
#include "scan/DiskScanner.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// Finds the installed applications, measures each bundle, attributes the application's files in the
// Library folders to it, and lists what applications that are gone left behind. Reads only; changes nothing.
class ApplicationInventory {
public:
    using OwnershipReader = std::function<ApplicationOwnership(const std::string& bundlePath)>;
    using LastUsedReader = std::function<std::optional<Date>(const std::string& bundlePath)>;
    // The application's name and the number of applications already in the report.
    using ProgressCallback = std::function<void(const std::string& name, int added)>;

    // Our own bundle identifier: Library items named under its prefix are never leftovers.
    static constexpr std::string_view kOwnBundleIdentifier = "com.ambertrove.Ambertrove";

    explicit ApplicationInventory(OwnershipReader ownership = readOwnership);

    // Test seams: the last-used reader, hooks for the file-system calls of the scans and listings, and the
    // folder under which the default application folders and the system Library are looked for ("/" in use).
    ApplicationInventory& withLastUsed(LastUsedReader lastUsed);
    ApplicationInventory& withFileSystemHooks(std::shared_ptr<const ScanFileSystem> hooks);
    ApplicationInventory& withSystemRoot(std::string systemRoot);

    // Searches `applicationDirectories` (by default "/Applications", "/System/Applications" and the home's
    // "Applications", and then the system Library too) and the home's Library. Failures become issues or
    // skip an item; only cancellation (CancellationError) leaves the call.
    [[nodiscard]] ApplicationReport
    inspect(const std::optional<std::vector<std::string>>& applicationDirectories, const std::string& home,
            const CancellationFlag& cancellation, const ProgressCallback& progress = {}) const;

private:
    static ApplicationOwnership readOwnership(const std::string& bundlePath) {
        return ApplicationOwnership::read(bundlePath);
    }

    OwnershipReader m_ownership;
    LastUsedReader m_lastUsed;
    DiskScanner m_scanner;
    DirectoryEnumerator::OpenHook m_openHook;
    std::string m_systemRoot = "/";
};

} // namespace ambertrove
