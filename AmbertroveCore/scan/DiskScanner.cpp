#include "scan/DiskScanner.hpp"

#include "base/AmbertroveError.hpp"
#include "scan/FolderListings.hpp"
#include "scan/LiveChartSnapshot.hpp"
#include "scan/ScanPaths.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <fcntl.h>
#include <limits>
#include <sched.h>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ambertrove {

namespace {

constexpr std::size_t kMaxIssues = 200;
constexpr std::int64_t kReportEvery = 256;
constexpr double kReportInterval = 0.35;
constexpr long kChartLimit = 2048;
constexpr long kChartDepth = 8;
constexpr long kChartFanout = 48;
constexpr std::size_t kReleaseEvery = 4096;
constexpr std::size_t kRoomAhead = 1 << 16;

const char* const kNestedVolume = "Nested volume skipped. Scan this volume separately.";
const char* const kNotAFolder = "Choose a folder or mounted volume to scan.";
const char* const kUnreadable =
    "This folder cannot be read. Choose another folder or grant access in System Settings.";
const char* const kNoEnumeration = "Unable to enumerate this folder.";
const char* const kChanged = "Folder changed during the scan. Scan again to measure it.";

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string errorText(int error, int fallback) {
    return std::generic_category().message(error > 0 ? error : fallback);
}

// The keys (device, inode) of the regular files met so far. The walk stays on one volume, so nearly every
// key has the root's device; keys of any other device go to a side set. File systems hand out inode
// numbers in runs and a folder's files tend to come from one run, so the main set is a bitmap in blocks
// of 512 numbers (one cache line each), found through a small open-addressing table: consecutive files
// of a folder touch the same block.
class FileKeySet {
public:
    void setMainDevice(std::int32_t device) { m_device = device; }

    // True when the key was not in the set before.
    bool insert(std::int32_t device, std::uint64_t inode) {
        if (device != m_device) [[unlikely]]
            return m_others.insert({device, inode}).second;
        const std::uint64_t key = (inode >> kBlockShift) + 1;
        if (key != m_lastKey) {
            m_lastBlock = blockFor(key);
            m_lastKey = key;
        }
        const unsigned bit = static_cast<unsigned>(inode & (kBlockBits - 1));
        std::uint64_t& word = m_blocks[m_lastBlock].words[bit >> 6];
        const std::uint64_t mask = std::uint64_t(1) << (bit & 63);
        if (word & mask)
            return false;
        word |= mask;
        return true;
    }

private:
    static constexpr unsigned kBlockShift = 9;
    static constexpr std::uint64_t kBlockBits = 1u << kBlockShift;
    struct Block {
        std::uint64_t words[kBlockBits / 64] = {};
    };

    static std::size_t slotOf(std::uint64_t key, std::size_t mask) {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
    }

    // The block of `key` (never 0), made when absent.
    std::uint32_t blockFor(std::uint64_t key) {
        if ((m_blocks.size() + 1) * 2 > m_keys.size())
            grow();
        const std::size_t mask = m_keys.size() - 1;
        for (std::size_t s = slotOf(key, mask);; s = (s + 1) & mask) {
            if (m_keys[s] == key)
                return m_blockOf[s];
            if (m_keys[s] == 0) {
                m_keys[s] = key;
                m_blockOf[s] = static_cast<std::uint32_t>(m_blocks.size());
                m_blocks.emplace_back();
                return m_blockOf[s];
            }
        }
    }

    void grow() {
        const std::size_t capacity = m_keys.empty() ? 256 : m_keys.size() * 2;
        std::vector<std::uint64_t> keys(capacity, 0);
        std::vector<std::uint32_t> blockOf(capacity, 0);
        for (std::size_t i = 0; i < m_keys.size(); ++i) {
            if (m_keys[i] == 0)
                continue;
            std::size_t s = slotOf(m_keys[i], capacity - 1);
            while (keys[s] != 0)
                s = (s + 1) & (capacity - 1);
            keys[s] = m_keys[i];
            blockOf[s] = m_blockOf[i];
        }
        m_keys.swap(keys);
        m_blockOf.swap(blockOf);
    }

    std::int32_t m_device = 0;
    std::vector<std::uint64_t> m_keys; // (inode >> kBlockShift) + 1; 0 marks a free slot
    std::vector<std::uint32_t> m_blockOf;
    std::vector<Block> m_blocks;
    std::uint64_t m_lastKey = 0;
    std::uint32_t m_lastBlock = 0;
    std::set<std::pair<std::int32_t, std::uint64_t>> m_others;
};

// Running totals of entries added to a subtree, kept as a folder's totals are.
struct Totals {
    std::int64_t logical = 0;
    std::int64_t allocated = 0;
    std::int64_t savings = 0;
    std::int64_t files = 0;
    std::int64_t folders = 0;

    // A folder's own totals so far.
    static Totals of(const NodeTable::NodeRef& folder) {
        return Totals{folder.logicalSize(), folder.allocatedSize(), folder.compressedSavings(), folder.fileCount(),
                      folder.folderCount()};
    }
    // A new entry, whose totals are its own figures, as its parent counts it.
    void add(const NodeTable::NodeRef& entry) {
        logical = saturatingAdd(logical, entry.logicalSize());
        allocated = saturatingAdd(allocated, entry.allocatedSize());
        savings = saturatingAdd(savings, entry.compressedSavings());
        files += entry.fileCount();
        folders += entry.folderCount() + (entry.isDirectory() ? 1 : 0);
    }
    void add(const Totals& more) {
        logical = saturatingAdd(logical, more.logical);
        allocated = saturatingAdd(allocated, more.allocated);
        savings = saturatingAdd(savings, more.savings);
        files += more.files;
        folders += more.folders;
    }
    [[nodiscard]] bool empty() const {
        return logical == 0 && allocated == 0 && savings == 0 && files == 0 && folders == 0;
    }
};

// Adds the totals of entries new below a folder to the folder's totals.
void addTotals(NodeTable& table, NodeIndex folder, const Totals& added) {
    table.addToTotals(folder, added.logical, added.allocated, added.savings, added.files, added.folders);
}

// A node value with an empty children list, as the progress previews carry them.
DiskNode bareNode(const NodeTable& nodes, NodeIndex i) {
    return nodes.makeNode(i, false);
}

// The live preview of the folder the user browses: the requested folder in any of its path forms when
// the table holds it as a folder, else the scan's root.
ScanFolderPreview folderPreview(const NodeTable& nodes, const std::string& root,
                                const std::optional<std::string>& requested) {
    NodeIndex folder = kNoNode;
    if (requested) {
        for (const std::string& form : ScanPaths::candidates(*requested)) {
            const NodeIndex i = nodes.find(form);
            if (i != kNoNode && nodes[i].isDirectory() && !nodes[i].isSymbolicLink()) {
                folder = i;
                break;
            }
        }
    }
    if (folder == kNoNode)
        folder = nodes.find(root);

    ScanFolderPreview preview;
    preview.rootPath = root;
    preview.folder = bareNode(nodes, folder);
    for (NodeIndex c = folder; c != kNoNode; c = nodes.parentNode(c))
        preview.ancestors.push_back(bareNode(nodes, c));
    std::reverse(preview.ancestors.begin(), preview.ancestors.end());
    nodes.forEachChild(folder, [&](NodeIndex c) {
        if (nodes.isNode(c))
            preview.children.push_back(bareNode(nodes, c));
    });
    LiveChartSnapshot::Cut cut =
        LiveChartSnapshot::make(nodes, preview.folder.path, kChartLimit, kChartDepth, kChartFanout);
    preview.chart = std::move(cut.scan);
    preview.chartIsLimited = cut.limited;
    return preview;
}

// One scan call: the walk's working state. The walk runs on the calling thread and does everything that
// depends on order; the listings it walks through may be read ahead by worker threads.
class Walk {
public:
    Walk(const ScanFileSystem* hooks, unsigned workers, std::size_t readAhead,
         const CancellationFlag& cancellation, const ScanNavigation* navigation,
         const DiskScanner::ProgressCallback& progress)
        : m_hooks(hooks)
        , m_workers(workers)
        , m_readAhead(readAhead)
        , m_cancellation(cancellation)
        , m_navigation(navigation)
        , m_progress(progress) {}

    ScanResult run(const std::string& requestedRoot);

private:
    using Entry = FolderListings::Entry;

    // One folder on the descent stack, whose entries have their nodes, with its sub-folders still to
    // walk into. The nodes of a folder's measured entries are consecutive, in listing order.
    struct Frame {
        NodeIndex folder = kNoNode;
        FolderListings::ListingPtr listing;
        std::size_t nextEntry = 0;    // the next entry to look at for a sub-folder
        NodeIndex nextNode = kNoNode; // the node of the next measured entry from there
        std::size_t topLevel = SIZE_MAX; // the top-level entry this folder lies in
    };

    struct TopLevelEntry {
        NodeIndex index;
        Totals totals;
    };

    void resolveRoot(const std::string& requestedRoot);
    void walk();
    void descend(NodeIndex folder, FolderListings::ListingPtr listing, std::size_t topLevel);
    void enter(NodeIndex folder, FolderListings::ListingPtr listing, std::size_t topLevel);
    void addEntries(Frame& frame);
    void addPending(const Frame& frame, Totals& pending);
    void makeRoomFor(const FolderListings::Listing& listing);
    void report(std::string path);
    void problem(std::string path, std::string message);
    [[nodiscard]] std::string childPath(NodeIndex folder, const char* name) const;

    const ScanFileSystem* m_hooks;
    const unsigned m_workers;
    const std::size_t m_readAhead;
    const CancellationFlag& m_cancellation;
    const ScanNavigation* m_navigation;
    const DiskScanner::ProgressCallback& m_progress;

    double m_start = 0;
    ScanResult m_result;
    NodeIndex m_rootIndex = kNoNode;
    FileKeySet m_seen;
    std::vector<TopLevelEntry> m_topLevel;
    std::int64_t m_files = 0;
    std::int64_t m_folders = 0;
    std::int64_t m_bytes = 0;
    std::int64_t m_sinceReport = 0;
    double m_lastReport = -std::numeric_limits<double>::infinity();

    // Declared in this order: the workers stop before the listings they read go away, and the listings
    // go before their memory.
    ListingMemory m_memory;
    std::vector<Frame> m_frames;
    std::unique_ptr<FolderListings> m_listings;
};

std::string Walk::childPath(NodeIndex folder, const char* name) const {
    std::string path = m_result.nodes.path(folder);
    if (path.back() != '/')
        path.push_back('/');
    path.append(name);
    return path;
}

void Walk::problem(std::string path, std::string message) {
    ++m_result.skippedCount;
    if (m_result.issues.size() < kMaxIssues)
        m_result.issues.push_back(ScanIssue{std::move(path), std::move(message)});
}

void Walk::resolveRoot(const std::string& requestedRoot) {
    char resolved[PATH_MAX];
    errno = 0;
    if (::realpath(requestedRoot.c_str(), resolved) == nullptr)
        throwSystemError(errno, ENOENT);
    m_result.rootPath = resolved;
    const std::string& root = m_result.rootPath;

    FileStatus status;
    int error = readFileStatus(AT_FDCWD, root.c_str(), status);
    if (error == 0 && m_hooks && m_hooks->status)
        error = m_hooks->status(root, status);
    if (error != 0)
        throwSystemError(error, EIO);
    if (!status.isDirectory())
        throw AmbertroveError(kNotAFolder);
    int denied = ::access(root.c_str(), R_OK) == 0 ? 0 : errno;
    if (denied == 0 && m_hooks && m_hooks->access)
        denied = m_hooks->access(root);
    if (denied != 0)
        throw AmbertroveError(kUnreadable);

    m_seen.setMainDevice(status.device);
    NodeTable& table = m_result.nodes;
    m_rootIndex = table.ensurePath(root);
    table.setNode(m_rootIndex, NodeData::fromStatus(FileIdentity::fromStatus(status), status), false);
    // The path index is built once, at the end. Only the live preview looks paths up while the walk goes
    // on, a few times a second, and a folder's children are a run of records it can search instead.
    table.deferIndex();

    int fd = -1;
    if (!(m_hooks && m_hooks->open && m_hooks->open(root) != 0))
        fd = ::open(root.c_str(), kOpenFolder);
    if (fd < 0)
        throw AmbertroveError(kNoEnumeration);
    // Another folder put in the root's place since its status was read is not listed under its path.
    FileStatus opened;
    if (readOpenFileStatus(fd, opened) != 0 || opened.device != status.device || opened.inode != status.inode) {
        ::close(fd);
        throw AmbertroveError(kNoEnumeration);
    }
    m_listings = std::make_unique<FolderListings>(FolderListings::Root{fd, root, status}, m_memory, m_hooks,
                                                  m_cancellation, m_workers, m_readAhead);
    FolderListings::ListingPtr listing = m_listings->takeRoot();
    m_listings->await(*listing);
    enter(m_rootIndex, std::move(listing), SIZE_MAX);
}

void Walk::walk() {
    while (!m_frames.empty()) {
        Frame& frame = m_frames.back();
        FolderListings::Listing& listing = *frame.listing;
        const std::size_t count = listing.entries.size();
        bool descended = false;
        while (frame.nextEntry < count) {
            // A large folder's entries go back to the system as the walk passes them.
            if (frame.nextEntry % kReleaseEvery == 0)
                listing.releaseBefore(frame.nextEntry);
            Entry& entry = listing.entries[frame.nextEntry++];
            if (entry.kind != FolderListings::Kind::Measured)
                continue;
            const NodeIndex node = frame.nextNode++;
            if (!entry.status.isDirectory())
                continue;
            if (m_cancellation.isCancelled())
                throw CancellationError();
            // A top-level folder's entries count towards it; the root's measured entries are the
            // top-level entries, in order.
            const std::size_t topLevel =
                frame.folder == m_rootIndex ? static_cast<std::size_t>(node - (m_rootIndex + 1)) : frame.topLevel;
            descended = true;
            descend(node, std::move(entry.folder), topLevel); // `frame` may no longer be valid
            break;
        }
        if (!descended) {
            m_listings->retire(listing);
            const NodeIndex done = frame.folder;
            m_frames.pop_back();
            if (!m_navigation && !m_frames.empty())
                m_result.nodes.addToTotals(m_frames.back().folder, done);
        }
    }
    if (m_cancellation.isCancelled())
        throw CancellationError();
}

void Walk::descend(NodeIndex folder, FolderListings::ListingPtr listing, std::size_t topLevel) {
    m_listings->await(*listing);
    if (listing->changed || listing->openError != 0) {
        problem(m_result.nodes.path(folder),
                listing->changed ? std::string(kChanged) : errorText(listing->openError, EIO));
        // A folder left unread counts with its own figures alone.
        if (!m_navigation)
            m_result.nodes.addToTotals(m_frames.back().folder, folder);
        return;
    }
    enter(folder, std::move(listing), topLevel);
}

// Gives a listed folder's entries their nodes, all at once and in listing order, and puts it on the
// descent stack for its sub-folders.
void Walk::enter(NodeIndex folder, FolderListings::ListingPtr listing, std::size_t topLevel) {
    const int listError = listing->listError;
    makeRoomFor(*listing);
    m_frames.push_back(Frame{folder, std::move(listing), 0, kNoNode, topLevel});
    if (listError != 0)
        problem(m_result.nodes.path(folder), errorText(listError, EIO));
    if (m_cancellation.isCancelled())
        throw CancellationError();
    addEntries(m_frames.back());
}

void Walk::addEntries(Frame& frame) {
    NodeTable& table = m_result.nodes;
    const NodeIndex parent = frame.folder;
    const bool topLevelEntries = m_progress && parent == m_rootIndex;
    FolderListings::Listing& listing = *frame.listing;
    Totals pending; // the entries' totals not yet added to the running ones
    Totals files;   // without live totals: those of the entries other than folders, for the folder's own
    for (Entry& entry : listing.entries) {
        const char* name = listing.name(entry);
        switch (entry.kind) {
        case FolderListings::Kind::Unreadable:
            problem(childPath(parent, name), errorText(entry.error, EIO));
            continue;
        case FolderListings::Kind::NestedVolume:
            problem(childPath(parent, name), kNestedVolume);
            continue;
        case FolderListings::Kind::Loop:
            problem(childPath(parent, name), errorText(ELOOP, ELOOP));
            continue;
        case FolderListings::Kind::Measured:
            break;
        }

        const FileStatus& status = entry.status;
        const bool repeat = status.isRegularFile() && !m_seen.insert(status.device, status.inode);
        const NodeIndex index = table.appendScanned(parent, std::string_view(name), status, repeat);
        if (frame.nextNode == kNoNode)
            frame.nextNode = index;
        const NodeTable::NodeRef record = table[index];
        if (status.isDirectory())
            ++m_folders;
        else
            ++m_files;
        if (topLevelEntries) {
            // The top-level totals serve the progress reports alone: a root of a million files would
            // otherwise hold a million of them beside the nodes.
            m_topLevel.push_back(TopLevelEntry{index, Totals::of(record)});
        }
        pending.add(record);
        if (!m_navigation && !status.isDirectory())
            files.add(record);

        if (m_progress && ++m_sinceReport == kReportEvery) {
            m_sinceReport = 0;
            const double now = steadySeconds();
            if (now - m_lastReport > kReportInterval) {
                m_lastReport = now;
                addPending(frame, pending);
                report(table.path(index));
            }
        }
    }
    addPending(frame, pending);
    // Without live totals, a folder's totals are complete once the walk leaves it: its sub-folders are
    // added to it then, each as the walk leaves it (or at once when it cannot be read).
    if (!m_navigation && !files.empty())
        addTotals(table, parent, files);
}

// Adds the totals of a folder's entries given nodes since the last time to the running totals.
void Walk::addPending(const Frame& frame, Totals& pending) {
    if (pending.empty())
        return;
    m_bytes = saturatingAdd(m_bytes, pending.allocated);
    if (m_navigation) {
        // Live totals: the ancestors are exactly the folders on the descent stack.
        NodeTable& table = m_result.nodes;
        for (std::size_t k = m_frames.size(); k-- > 0;)
            addTotals(table, m_frames[k].folder, pending);
    }
    if (m_progress && frame.folder != m_rootIndex)
        m_topLevel[frame.topLevel].totals.add(pending);
    pending = Totals{};
}

// A folder larger than all the table holds so far gets the table's room at once: growing it while the
// folder's listing is still resident would hold both, and the old and the new table, at the same time.
// Only then, so that the table still grows geometrically.
void Walk::makeRoomFor(const FolderListings::Listing& listing) {
    const std::size_t records = m_result.nodes.recordCount();
    const std::size_t needed = records + listing.entries.size();
    if (listing.entries.size() >= kRoomAhead && needed > 2 * records)
        m_result.nodes.reserve(needed);
}

void Walk::report(std::string path) {
    const NodeTable& table = m_result.nodes;
    ScanProgress progress;
    progress.files = m_files;
    progress.folders = m_folders;
    progress.bytes = m_bytes;
    progress.path = std::move(path);
    progress.duration = steadySeconds() - m_start;
    progress.preview.reserve(m_topLevel.size());
    for (const TopLevelEntry& top : m_topLevel) {
        DiskNode node = bareNode(table, top.index);
        node.logicalSize = top.totals.logical;
        node.allocatedSize = top.totals.allocated;
        node.compressedSavings = top.totals.savings;
        node.fileCount = top.totals.files;
        node.folderCount = top.totals.folders;
        progress.preview.push_back(std::move(node));
    }
    if (m_navigation)
        progress.browsing = folderPreview(table, m_result.rootPath, m_navigation->requestedPath());
    m_progress(progress);
}

ScanResult Walk::run(const std::string& requestedRoot) {
    m_start = steadySeconds();
    m_result.scannedAt = Date::now();
    resolveRoot(requestedRoot);
    walk();
    m_listings.reset();
    if (m_progress)
        report(m_result.rootPath);
    m_result.nodes.finish();
    m_result.duration = steadySeconds() - m_start;
    return std::move(m_result);
}

} // namespace

unsigned DiskScanner::defaultThreads() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    unsigned cores = 0;
    if (::sched_getaffinity(0, sizeof cpus, &cpus) == 0)
        cores = static_cast<unsigned>(CPU_COUNT(&cpus));
    if (cores == 0)
        cores = std::thread::hardware_concurrency();
    return std::clamp(cores, 1u, kMaxThreads);
}

ScanResult DiskScanner::scan(const std::string& root, const CancellationFlag& cancellation,
                             const ScanNavigation* navigation, const ProgressCallback& progress) const {
    const unsigned threads = m_threads == 0 ? defaultThreads() : m_threads;
    // One thread walks alone; more are all workers besides the walking thread.
    Walk walk(m_hooks.get(), threads == 1 ? 0 : threads, m_readAhead, cancellation, navigation, progress);
    return walk.run(root);
}

} // namespace ambertrove
