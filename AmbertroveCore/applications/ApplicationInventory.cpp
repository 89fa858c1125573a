#include "applications/ApplicationInventory.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "model/JsonCoding.hpp"
#include "platform/Bundle.hpp"
#include "platform/DirectoryEnumerator.hpp"
#include "platform/PathResolution.hpp"
#include "platform/UsageMetadata.hpp"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unordered_map>
#include <unordered_set>

namespace ambertrove {

namespace {

constexpr std::array<std::string_view, 11> kUserLibraryFolders = {"Application Support",
                                                                  "Caches",
                                                                  "Preferences",
                                                                  "HTTPStorages",
                                                                  "Logs",
                                                                  "Saved Application State",
                                                                  "Containers",
                                                                  "Group Containers",
                                                                  "WebKit",
                                                                  "Cookies",
                                                                  "LaunchAgents"};
constexpr std::array<std::string_view, 5> kSystemLibraryFolders = {"Application Support", "Preferences",
                                                                   "Caches", "LaunchAgents", "LaunchDaemons"};
constexpr std::string_view kSystemSuffix = " (System)";
constexpr std::string_view kGroupContainers = "Group Containers";

struct CategoryLabel {
    std::string_view key;
    std::string_view label;
};
constexpr std::array<CategoryLabel, 6> kCategoryLabels = {{{"Caches", "Cache"},
                                                           {"HTTPStorages", "HTTP Storage"},
                                                           {"Containers", "Container"},
                                                           {"Group Containers", "Group Container"},
                                                           {"WebKit", "WebKit Data"},
                                                           {"LaunchAgents", "Launch Agent"}}};

// Folders where an item named like the application is probably its own, though that needs checking.
constexpr std::array<std::string_view, 3> kNameMatchCategories = {"Application Support", "Logs",
                                                                  "Application Support (System)"};
constexpr std::array<std::string_view, 2> kProductDataRoots = {"Application Support", "Caches"};
constexpr std::array<std::string_view, 4> kLeftoverFolders = {"Caches", "Preferences", "HTTPStorages",
                                                              "Saved Application State"};
constexpr std::array<std::string_view, 3> kLeftoverSuffixes = {".plist", ".savedState", ".binarycookies"};
constexpr std::string_view kSystemVendorPrefix = "com.apple.";

constexpr std::string_view kMatchIdentifier = "Bundle identifier";
constexpr std::string_view kMatchName = "App name · verify ownership";
constexpr std::string_view kMatchGroup = "Declared app group";
constexpr std::string_view kMatchSharedGroup = "Declared app group · shared with another installed app";
constexpr std::string_view kMatchProductData = "Known product data directory";
constexpr std::string_view kMatchShared = "Shared with another installed app";

constexpr std::string_view kNoVersion = "—";
// Enumeration failures beyond this many issues are dropped; the search goes on.
constexpr std::size_t kEnumerationIssueLimit = 100;
// Applications lie at most this many levels below an application folder.
constexpr int kApplicationSearchDepth = 4;

template <std::size_t N> bool contains(const std::array<std::string_view, N>& table, std::string_view value) {
    return std::find(table.begin(), table.end(), value) != table.end();
}

std::string categoryLabel(std::string_view key) {
    for (const CategoryLabel& entry : kCategoryLabels)
        if (entry.key == key)
            return std::string(entry.label);
    return std::string(key);
}

// Names that are not valid UTF-8 are compared byte for byte: decoding would make different ones equal.
bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a == b)
        return true;
    if (!isValidUtf8(a) || !isValidUtf8(b))
        return false;
    const icu::UnicodeString left =
        icu::UnicodeString::fromUTF8(icu::StringPiece(a.data(), int32_t(a.size())));
    const icu::UnicodeString right =
        icu::UnicodeString::fromUTF8(icu::StringPiece(b.data(), int32_t(b.size())));
    return left.caseCompare(right, U_FOLD_CASE_DEFAULT) == 0;
}

std::string join(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.ends_with('/'))
        path += '/';
    path += name;
    return path;
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.ends_with('/'))
        path.pop_back();
    return path;
}

// The file name without its extension: "Foo.app" gives "Foo".
std::string nameWithoutExtension(std::string_view path) {
    const std::string_view name = PathText::name(path);
    const std::string_view extension = PathText::pathExtension(name);
    return std::string(extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1));
}

std::string issue(std::string_view name, std::string_view description) {
    std::string text(name);
    text += ": ";
    text += description;
    return text;
}

// The part of our identifier up to and including its second ".".
std::string_view ownIdentifierPrefix() {
    const std::string_view id = ApplicationInventory::kOwnBundleIdentifier;
    const std::size_t first = id.find('.');
    const std::size_t second = first == std::string_view::npos ? first : id.find('.', first + 1);
    return second == std::string_view::npos ? id : id.substr(0, second + 1);
}

// The bundle identifier a leftover's name stands for: the name without its leftover suffixes.
std::string leftoverCandidate(std::string_view name) {
    std::string candidate(name);
    for (const std::string_view suffix : kLeftoverSuffixes)
        if (candidate.ends_with(suffix))
            candidate.resize(candidate.size() - suffix.size());
    return candidate;
}

std::size_t nonEmptyPieces(std::string_view text) {
    std::size_t pieces = 0;
    bool inPiece = false;
    for (const char c : text) {
        if (c == '.') {
            inPiece = false;
        } else if (!inPiece) {
            inPiece = true;
            ++pieces;
        }
    }
    return pieces;
}

// Whether `name` equals one of `identifiers` or begins with one followed by ".": one look-up per prefix of
// the name that ends before a ".".
bool isNamedAfterAny(std::string_view name, const std::set<std::string, std::less<>>& identifiers) {
    if (identifiers.contains(name))
        return true;
    for (std::size_t dot = name.find('.'); dot != std::string_view::npos; dot = name.find('.', dot + 1))
        if (identifiers.contains(name.substr(0, dot)))
            return true;
    return false;
}

template <class Item> void sortLargestFirst(std::vector<Item>& items) {
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        return a.node.allocatedSize > b.node.allocatedSize;
    });
}

// One Library item measured alone: a folder's walk, or one entry for anything else.
// Throws std::system_error, AmbertroveError or CancellationError.
ScanResultPtr scanItem(const DiskScanner& scanner, const std::string& path,
                       const CancellationFlag& cancellation) {
    const auto [identity, status] = FileIdentity::read(path);
    if (status.isDirectory())
        return std::make_shared<const ScanResult>(scanner.scan(path, cancellation));
    auto scan = std::make_shared<ScanResult>();
    scan->rootPath = path;
    scan->scannedAt = Date::now();
    const NodeIndex root = scan->nodes.ensurePath(path);
    scan->nodes.setNode(root, NodeData::fromStatus(identity, status), false);
    scan->nodes.finish();
    return scan;
}

// The working state of one inventory run.
class Run {
public:
    Run(const DiskScanner& scanner, const DirectoryEnumerator::OpenHook& openHook,
        const ApplicationInventory::OwnershipReader& ownership,
        const ApplicationInventory::LastUsedReader& lastUsed, const CancellationFlag& cancellation)
        : m_scanner(scanner)
        , m_appFolders(true, openHook)
        , m_libraryFolders(false, openHook)
        , m_readOwnership(ownership)
        , m_lastUsed(lastUsed)
        , m_cancellation(cancellation) {}

    ApplicationReport run(const std::vector<std::string>& applicationFolders, const std::string& home,
                          const std::optional<std::string>& systemLibrary,
                          const ApplicationInventory::ProgressCallback& progress);

private:
    struct LibraryFolder {
        std::string key;
        std::vector<std::string> paths;
    };

    void findApplications(const std::string& folder);
    void listLibrary(const std::string& home, const std::optional<std::string>& systemLibrary);
    void listLibraryFolder(const std::string& path, std::string key, bool reportFailure);
    void readOwnership();
    std::optional<InstalledApplication>
    inspectApplication(const std::string& bundlePath, const std::string& home,
                       const ApplicationInventory::ProgressCallback& progress, int added);
    ScanResultPtr measure(const std::string& path);
    void markSharedItems();
    void findLeftovers();
    [[nodiscard]] const std::vector<std::string>& listing(std::string_view key) const;

    const DiskScanner& m_scanner;
    const DirectoryEnumerator m_appFolders;
    const DirectoryEnumerator m_libraryFolders;
    const ApplicationInventory::OwnershipReader& m_readOwnership;
    const ApplicationInventory::LastUsedReader& m_lastUsed;
    const CancellationFlag& m_cancellation;

    std::vector<std::string> m_applications;
    std::vector<std::string> m_issues;
    std::vector<LibraryFolder> m_library;
    std::unordered_map<std::string, ApplicationOwnership> m_ownership;
    std::map<std::string, std::set<std::string>, std::less<>> m_groupOwners;
    std::set<std::string, std::less<>> m_allIdentifiers;
    std::unordered_map<std::string, ScanResultPtr> m_scanCache;
    std::unordered_set<std::string> m_claimed;
    std::vector<InstalledApplication> m_apps;
    std::vector<OrphanCandidate> m_orphans;
};

ApplicationReport Run::run(const std::vector<std::string>& applicationFolders, const std::string& home,
                           const std::optional<std::string>& systemLibrary,
                           const ApplicationInventory::ProgressCallback& progress) {
    for (const std::string& folder : applicationFolders)
        findApplications(folder);
    listLibrary(home, systemLibrary);
    readOwnership();
    std::unordered_set<std::string> inspected;
    for (const std::string& bundlePath : m_applications) {
        m_cancellation.check();
        // A bundle reached twice (overlapping folders, a folder linked into another) is one application;
        // listing it twice would also mark all its support items as shared with itself.
        const std::optional<std::string> canonical = PathResolution::resolvingSymlinks(bundlePath);
        if (!inspected.insert(canonical.value_or(bundlePath)).second)
            continue;
        if (std::optional<InstalledApplication> app =
                inspectApplication(bundlePath, home, progress, int(m_apps.size())))
            m_apps.push_back(std::move(*app));
    }
    markSharedItems();
    findLeftovers();
    m_cancellation.check();
    std::stable_sort(
        m_apps.begin(), m_apps.end(),
        [](const InstalledApplication& a, const InstalledApplication& b) { return a.bytes() > b.bytes(); });
    sortLargestFirst(m_orphans);
    return ApplicationReport{std::move(m_apps), std::move(m_orphans), std::move(m_issues)};
}

void Run::findApplications(const std::string& folder) {
    // A folder that is missing or cannot be listed at all is skipped without a word.
    m_appFolders.walk(
        folder,
        [&](const DirectoryEnumerator::Entry& entry) {
            m_cancellation.check();
            if (PathText::pathExtension(entry.name) == "app") {
                m_applications.push_back(entry.path);
                return false;
            }
            return entry.level < kApplicationSearchDepth;
        },
        [&](const std::string& path, int error) {
            if (m_issues.size() < kEnumerationIssueLimit)
                m_issues.push_back(issue(PathText::name(path), std::generic_category().message(error)));
        });
}

void Run::listLibrary(const std::string& home, const std::optional<std::string>& systemLibrary) {
    const std::string library = join(home, "Library");
    for (const std::string_view folder : kUserLibraryFolders)
        listLibraryFolder(join(library, folder), std::string(folder), true);
    // The system Library is read where it can be; what cannot be read there is not the user's to fix.
    if (systemLibrary)
        for (const std::string_view folder : kSystemLibraryFolders)
            listLibraryFolder(join(*systemLibrary, folder), std::string(folder) + std::string(kSystemSuffix),
                              false);
}

void Run::listLibraryFolder(const std::string& path, std::string key, bool reportFailure) {
    LibraryFolder entry{std::move(key), {}};
    try {
        for (const std::string& name : m_libraryFolders.list(path))
            entry.paths.push_back(join(path, name));
    } catch (const std::system_error& error) {
        const int code = error.code().value();
        if (reportFailure && code != ENOENT && code != ENOTDIR)
            m_issues.push_back(issue(PathText::name(path), error.what()));
    }
    m_library.push_back(std::move(entry));
}

void Run::readOwnership() {
    for (const std::string& bundlePath : m_applications)
        if (!m_ownership.contains(bundlePath))
            m_ownership.emplace(bundlePath, m_readOwnership(bundlePath));
    for (const auto& [bundlePath, ownership] : m_ownership) {
        for (const std::string& group : ownership.groups)
            m_groupOwners[group].insert(bundlePath);
        m_allIdentifiers.insert(ownership.identifiers.begin(), ownership.identifiers.end());
    }
}

ScanResultPtr Run::measure(const std::string& path) {
    if (const auto cached = m_scanCache.find(path); cached != m_scanCache.end())
        return cached->second;
    ScanResultPtr scan;
    try {
        scan = scanItem(m_scanner, path, m_cancellation);
    } catch (const std::exception&) {
        // An item that cannot be measured is left out; a stop is noticed at the next check.
        return nullptr;
    }
    m_scanCache.emplace(path, scan);
    return scan;
}

std::optional<InstalledApplication>
Run::inspectApplication(const std::string& bundlePath, const std::string& home,
                        const ApplicationInventory::ProgressCallback& progress, int added) {
    const std::optional<PropertyList> info = Bundle::information(bundlePath);
    const std::optional<std::string> bundleID = info ? info->string("CFBundleIdentifier") : std::nullopt;
    if (!bundleID)
        return std::nullopt;
    InstalledApplication app;
    app.name = nameWithoutExtension(bundlePath);
    app.bundleID = *bundleID;
    const auto known = m_ownership.find(bundlePath);
    const ApplicationOwnership ownership =
        known != m_ownership.end() ? known->second : ApplicationOwnership{{*bundleID}, {}};

    if (progress)
        progress(app.name, added);
    try {
        app.bundleScan = std::make_shared<const ScanResult>(m_scanner.scan(bundlePath, m_cancellation));
    } catch (const CancellationError&) {
        throw;
    } catch (const std::exception& error) {
        m_issues.push_back(issue(app.name, error.what()));
        return std::nullopt;
    }

    std::unordered_set<std::string> attributed;
    const auto attribute = [&](const std::string& path, std::string_view match, std::string category,
                               bool shared) {
        const ScanResultPtr scan = measure(path);
        if (!scan)
            return;
        std::optional<DiskNode> root = scan->root();
        if (!root)
            return;
        app.support.push_back(
            AppSupportFile{std::move(*root), scan, std::string(match), std::move(category), shared});
        attributed.insert(path);
        m_claimed.insert(path);
    };

    for (const LibraryFolder& folder : m_library) {
        const bool groupContainer = folder.key == kGroupContainers;
        const bool nameMatchCategory = contains(kNameMatchCategories, folder.key);
        for (const std::string& path : folder.paths) {
            const std::string_view name = PathText::name(path);
            const bool owned = ownership.matches(name, groupContainer);
            if (!owned && !(nameMatchCategory && equalIgnoringCase(name, app.name)))
                continue;
            bool shared = false;
            std::string_view match;
            if (groupContainer) {
                const auto owners = m_groupOwners.find(name);
                shared = owners != m_groupOwners.end() && owners->second.size() > 1;
                match = shared ? kMatchSharedGroup : kMatchGroup;
            } else {
                match = owned ? kMatchIdentifier : kMatchName;
            }
            attribute(path, match, categoryLabel(folder.key), shared);
        }
    }

    const std::string library = join(home, "Library");
    for (const std::string& subpath : ApplicationOwnership::supportSubpaths(app.bundleID)) {
        for (const std::string_view root : kProductDataRoots) {
            const std::string path = join(join(library, root), subpath);
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0 || attributed.contains(path))
                continue;
            attribute(path, kMatchProductData, root == "Caches" ? "Cache" : std::string(root), false);
        }
    }

    app.lastUsed = m_lastUsed ? m_lastUsed(bundlePath) : std::nullopt;
    app.version = info->string("CFBundleShortVersionString").value_or(std::string(kNoVersion));
    sortLargestFirst(app.support);
    app.path = app.bundleScan->rootPath;
    return app;
}

void Run::markSharedItems() {
    std::unordered_map<std::string, int> holders;
    for (const InstalledApplication& app : m_apps) {
        std::unordered_set<std::string_view> seen;
        for (const AppSupportFile& item : app.support)
            if (seen.insert(item.node.path).second)
                ++holders[item.node.path];
    }
    for (InstalledApplication& app : m_apps)
        for (AppSupportFile& item : app.support)
            if (holders[item.node.path] > 1) {
                item.isShared = true;
                item.match = kMatchShared;
            }
}

const std::vector<std::string>& Run::listing(std::string_view key) const {
    static const std::vector<std::string> kNone;
    for (const LibraryFolder& folder : m_library)
        if (folder.key == key)
            return folder.paths;
    return kNone;
}

void Run::findLeftovers() {
    const std::string_view ownPrefix = ownIdentifierPrefix();
    for (const std::string_view folder : kLeftoverFolders) {
        for (const std::string& path : listing(folder)) {
            if (m_claimed.contains(path))
                continue;
            m_cancellation.check();
            std::string candidate = leftoverCandidate(PathText::name(path));
            if (nonEmptyPieces(candidate) < 3 || candidate.starts_with(kSystemVendorPrefix) ||
                isNamedAfterAny(candidate, m_allIdentifiers) || candidate.starts_with(ownPrefix))
                continue;
            ScanResultPtr scan;
            try {
                scan = scanItem(m_scanner, path, m_cancellation);
            } catch (const std::exception&) {
                continue;
            }
            std::optional<DiskNode> root = scan->root();
            if (!root)
                continue;
            m_orphans.push_back(OrphanCandidate{std::move(*root), std::move(scan), std::move(candidate)});
        }
    }
}

} // namespace

ApplicationInventory::ApplicationInventory(OwnershipReader ownership)
    : m_ownership(std::move(ownership))
    , m_lastUsed(UsageMetadata::lastUsed) {}

ApplicationInventory& ApplicationInventory::withLastUsed(LastUsedReader lastUsed) {
    m_lastUsed = std::move(lastUsed);
    return *this;
}

ApplicationInventory& ApplicationInventory::withFileSystemHooks(std::shared_ptr<const ScanFileSystem> hooks) {
    m_openHook = hooks ? hooks->open : DirectoryEnumerator::OpenHook{};
    m_scanner = DiskScanner(std::move(hooks));
    return *this;
}

ApplicationInventory& ApplicationInventory::withSystemRoot(std::string systemRoot) {
    m_systemRoot = std::move(systemRoot);
    return *this;
}

ApplicationReport
ApplicationInventory::inspect(const std::optional<std::vector<std::string>>& applicationDirectories,
                              const std::string& home, const CancellationFlag& cancellation,
                              const ProgressCallback& progress) const {
    const std::string homeFolder = withoutTrailingSlashes(home);
    std::vector<std::string> folders;
    std::optional<std::string> systemLibrary;
    if (applicationDirectories) {
        folders = *applicationDirectories;
    } else {
        folders = {join(m_systemRoot, "Applications"), join(m_systemRoot, "System/Applications"),
                   join(homeFolder, "Applications")};
        systemLibrary = join(m_systemRoot, "Library");
    }
    Run run(m_scanner, m_openHook, m_ownership, m_lastUsed, cancellation);
    return run.run(folders, homeFolder, systemLibrary, progress);
}

} // namespace ambertrove
