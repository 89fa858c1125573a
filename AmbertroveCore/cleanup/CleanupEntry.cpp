#include "cleanup/CleanupEntry.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "platform/Bundle.hpp"
#include "platform/PathResolution.hpp"
#include "platform/RunningPrograms.hpp"
#include "scan/CancellationFlag.hpp"
#include "scan/DiskScanner.hpp"

#include <algorithm>
#include <memory>
#include <unicode/brkiter.h>
#include <unicode/unistr.h>
#include <unordered_map>

namespace ambertrove {

namespace {

constexpr const char* kLinksAndPlaceholders = "Links and cloud placeholders cannot be staged.";
constexpr const char* kNotFullyScanned =
    "This item was not fully scanned. Resolve access errors and scan again before cleanup.";
constexpr const char* kNotInScan = "This item is not part of the current scan.";
constexpr const char* kCloudOnly = "This folder contains cloud-only files. Download them before cleanup.";
constexpr const char* kContainsVendorApp =
    "This folder contains a protected macOS app and cannot be moved to Trash.";
constexpr const char* kRetainedChanged =
    "The duplicate copy marked to keep has changed or disappeared. Find duplicates again before cleanup.";

bool isVendorAppFolder(const std::string& path, bool isDirectory) {
    return isDirectory && Bundle::hasApplicationExtension(PathText::name(path)) &&
           Bundle::isSystemVendorBundle(path);
}

// The length of a path in user-perceived characters (grapheme clusters).
std::size_t characterCount(const std::string& text) {
    bool ascii = true;
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return text.size();
    const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> breaks(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !breaks)
        return static_cast<std::size_t>(unicode.countChar32());
    breaks->setText(unicode);
    std::size_t count = 0;
    for (std::int32_t pos = breaks->next(); pos != icu::BreakIterator::DONE; pos = breaks->next())
        ++count;
    return count;
}

} // namespace

CleanupEntry::CleanupEntry(const DiskNode& staged, const ScanResult& scan, std::string why,
                           const CleanupPolicy& policy) {
    if (std::optional<std::string> objection = policy.rejection(staged.path))
        throw AmbertroveError(*objection);
    if (staged.isSymbolicLink || staged.isCloudPlaceholder)
        throw AmbertroveError(kLinksAndPlaceholders);
    for (const ScanIssue& issue : scan.issues)
        if (ScanResult::contains(issue.path, staged.path))
            throw AmbertroveError(kNotFullyScanned);
    node = staged;
    reason = std::move(why);
    stagedAt = Date::now();

    const NodeTable& nodes = scan.nodes;
    const NodeIndex start = nodes.find(staged.path);
    if (start == kNoNode || nodes.identity(start) != staged.identity)
        throw AmbertroveError(kNotInScan);

    // Depth first over the table; a child path that has no node is passed over and the walk goes on.
    std::vector<NodeIndex> stack{start};
    std::string path;
    while (!stack.empty()) {
        const NodeIndex i = stack.back();
        stack.pop_back();
        if (!nodes.isNode(i))
            continue;
        path = nodes.nodePath(i);
        if (identities.contains(path))
            continue;
        const NodeTable::NodeRef record = nodes[i];
        if (record.isCloudPlaceholder())
            throw AmbertroveError(kCloudOnly);
        if (i != start && isVendorAppFolder(path, record.isDirectory()))
            throw AmbertroveError(kContainsVendorApp);
        identities.emplace(path, nodes.identity(i));
        if (record.isDirectory())
            for (const NodeIndex c : nodes.children(i))
                stack.push_back(c);
    }
}

void CleanupEntry::validate(const CleanupPolicy& policy, const DiskScanner& scanner) const {
    validate(policy, RunningPrograms::executables(policy.procRoot), scanner);
}

void CleanupEntry::validate(const CleanupPolicy& policy, const std::vector<std::string>& runningPrograms,
                            const DiskScanner& scanner) const {
    const std::string name(PathText::name(node.path));
    if (std::optional<std::string> objection = policy.rejection(node.path))
        throw AmbertroveError(*objection);
    if (FileIdentity::read(node.path).first != node.identity)
        throw AmbertroveError(name + " changed since the scan. Rescan and stage it again.");
    for (const auto& [copyPath, recorded] : retainedCopies)
        if (FileIdentity::read(copyPath).first != recorded)
            throw AmbertroveError(kRetainedChanged);

    if (node.isDirectory) {
        // Its own flag: nothing outside may stop the check half-way and leave it undecided.
        const CancellationFlag never;
        const ScanResult fresh = scanner.scan(node.path, never);
        const NodeTable& nodes = fresh.nodes;
        bool same = fresh.skippedCount == 0 && nodes.size() == identities.size();
        if (same) {
            std::string path;
            for (NodeIndex i = 0; same && i < nodes.recordCount(); ++i) {
                if (!nodes.isNode(i))
                    continue;
                path = nodes.nodePath(i);
                const auto it = identities.find(path);
                same = it != identities.end() && it->second == nodes.identity(i);
            }
        }
        if (!same)
            throw AmbertroveError("Contents of " + name + " changed since the scan. Rescan before cleanup.");
        nodes.forEachNode([&](NodeIndex i) {
            if (nodes[i].isCloudPlaceholder())
                throw AmbertroveError(kCloudOnly);
        });
        nodes.forEachNode([&](NodeIndex i) {
            const std::string path = nodes.nodePath(i);
            if (std::optional<std::string> protection = CleanupPolicy::fileProtection(path))
                throw AmbertroveError(std::string(PathText::name(path)) + ": " + *protection);
        });
        nodes.forEachNode([&](NodeIndex i) {
            if (nodes[i].isDirectory() && isVendorAppFolder(nodes.nodePath(i), true))
                throw AmbertroveError(kContainsVendorApp);
        });
    }

    for (const std::string& program : runningPrograms)
        if (PathResolution::isSameOrInside(program, node.path))
            throw AmbertroveError("Quit " + name + " before moving it to Trash.");
}

std::vector<CleanupEntry> CleanupEntry::normalized(const std::vector<CleanupEntry>& entries) {
    std::vector<std::pair<std::size_t, const CleanupEntry*>> sorted;
    sorted.reserve(entries.size());
    for (const CleanupEntry& e : entries)
        sorted.emplace_back(characterCount(e.node.path), &e);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<CleanupEntry> result;
    std::unordered_map<std::string, std::size_t> kept;
    for (const auto& [length, entry] : sorted) {
        (void)length;
        std::optional<std::size_t> cover;
        std::string candidate = entry->node.path;
        for (;;) {
            if (const auto it = kept.find(candidate); it != kept.end()) {
                cover = it->second;
                break;
            }
            const std::size_t slash = candidate.rfind('/');
            if (candidate == "/" || slash == std::string::npos)
                break;
            candidate = slash == 0 ? std::string("/") : candidate.substr(0, slash);
        }
        if (cover) {
            // The covering entry's own choice wins where both name the same copy.
            result[*cover].retainedCopies.insert(entry->retainedCopies.begin(), entry->retainedCopies.end());
        } else {
            kept.emplace(entry->node.path, result.size());
            result.push_back(*entry);
        }
    }
    return result;
}

} // namespace ambertrove
