#include "scan/DiskScanner.hpp"

#include "model/AmbertroveError.hpp"
#include "scan/LiveChartSnapshot.hpp"
#include "scan/ScanPaths.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <set>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace ambertrove {

namespace {

constexpr std::size_t kMaxIssues = 200;
constexpr std::int64_t kReportEvery = 256;
constexpr double kReportInterval = 0.35;
// Folders deeper than this many levels below the open ones are reopened when the walk returns to them.
constexpr std::size_t kMaxOpenFolders = 64;
constexpr long kChartLimit = 2048;
constexpr long kChartDepth = 8;
constexpr long kChartFanout = 48;
constexpr std::size_t kListingBuffer = 64 * 1024;

const char* const kNestedVolume = "Nested volume skipped. Scan this volume separately.";
const char* const kNotAFolder = "Choose a folder or mounted volume to scan.";
const char* const kUnreadable =
    "This folder cannot be read. Choose another folder or grant access in System Settings.";
const char* const kNoEnumeration = "Unable to enumerate this folder.";

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

// Running totals of a subtree.
struct Totals {
    std::int64_t logical = 0;
    std::int64_t allocated = 0;
    std::int64_t savings = 0;
    std::int64_t files = 0;
    std::int64_t folders = 0;

    void add(const NodeTable::Record& entry) {
        logical = saturatingAdd(logical, entry.logicalSize);
        allocated = saturatingAdd(allocated, entry.allocatedSize);
        savings = saturatingAdd(savings, entry.compressedSavings);
        if (entry.isDirectory())
            ++folders;
        else
            ++files;
    }
};

// Adds a finished subtree (or a new entry, whose totals are its own figures) to a folder's totals.
void addSubtree(NodeTable::Record& folder, const NodeTable::Record& child) {
    folder.logicalSize = saturatingAdd(folder.logicalSize, child.logicalSize);
    folder.allocatedSize = saturatingAdd(folder.allocatedSize, child.allocatedSize);
    folder.compressedSavings = saturatingAdd(folder.compressedSavings, child.compressedSavings);
    folder.fileCount += child.fileCount;
    folder.folderCount += child.folderCount + (child.isDirectory() ? 1 : 0);
}

// A node value with an empty children list, as the progress previews carry them.
DiskNode bareNode(const NodeTable& nodes, NodeIndex i) {
    if (nodes[i].flags & NodeTable::kHasExtras) {
        DiskNode n = nodes.makeNode(i);
        n.children.clear();
        return n;
    }
    DiskNode n;
    static_cast<NodeData&>(n) = nodes.data(i);
    n.path = nodes.path(i);
    if (nodes.hasParent(i))
        n.parent = nodes.path(nodes[i].parent);
    return n;
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

// One scan call: the walk's working state.
class Walk {
public:
    Walk(const ScanFileSystem* hooks, const CancellationFlag& cancellation, const ScanNavigation* navigation,
         const DiskScanner::ProgressCallback& progress)
        : m_hooks(hooks)
        , m_cancellation(cancellation)
        , m_navigation(navigation)
        , m_progress(progress) {}

    ScanResult run(const std::string& requestedRoot);

private:
    // One folder on the descent stack, with the names it listed still to visit.
    struct Frame {
        NodeIndex folder = kNoNode;
        int fd = -1;
        std::size_t firstEntry = 0; // into m_entryOffsets
        std::size_t nextEntry = 0;
        std::size_t endEntry = 0;
        std::size_t namesStart = 0; // into m_names
        std::int32_t device = 0;
        std::uint64_t inode = 0;
        std::size_t topLevel = SIZE_MAX; // the top-level entry this folder lies in
    };

    struct TopLevelEntry {
        NodeIndex index;
        Totals totals;
    };

    void resolveRoot(const std::string& requestedRoot);
    void walk();
    void visit(std::size_t frameIndex, const char* name);
    void descend(std::size_t frameIndex, NodeIndex folder, const char* name, const FileStatus& status,
                 std::size_t topLevel);
    int listFolder(int fd);
    int reopen(std::size_t frameIndex);
    void popFrame();
    void rollUp();
    void report(std::string path);
    void problem(std::string path, std::string message);
    [[nodiscard]] std::string childPath(NodeIndex folder, const char* name) const;
    [[nodiscard]] bool onDescentChain(std::int32_t device, std::uint64_t inode) const;

    const ScanFileSystem* m_hooks;
    const CancellationFlag& m_cancellation;
    const ScanNavigation* m_navigation;
    const DiskScanner::ProgressCallback& m_progress;

    double m_start = 0;
    ScanResult m_result;
    NodeIndex m_rootIndex = kNoNode;
    std::int32_t m_rootDevice = 0;
    bool m_rootHasMountId = false;
    std::uint64_t m_rootMountId = 0;
    FileKeySet m_seen;
    std::vector<TopLevelEntry> m_topLevel;
    std::int64_t m_files = 0;
    std::int64_t m_folders = 0;
    std::int64_t m_bytes = 0;
    double m_lastReport = -std::numeric_limits<double>::infinity();

    std::vector<Frame> m_frames;
    std::size_t m_closedFrames = 0; // frames [0, m_closedFrames) have their descriptor closed
    std::vector<std::size_t> m_entryOffsets;
    std::vector<char> m_names; // NUL-terminated names of the listed, not yet visited entries
    std::vector<char> m_listing;
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

bool Walk::onDescentChain(std::int32_t device, std::uint64_t inode) const {
    return std::any_of(m_frames.begin(), m_frames.end(),
                       [&](const Frame& f) { return f.inode == inode && f.device == device; });
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

    m_rootDevice = status.device;
    m_seen.setMainDevice(status.device);
    m_rootHasMountId = status.hasMountId;
    m_rootMountId = status.mountId;
    NodeTable& table = m_result.nodes;
    m_rootIndex = table.ensurePath(root);
    table.setNode(m_rootIndex, NodeData::fromStatus(FileIdentity::fromStatus(status), status), false);

    int fd = -1;
    if (!(m_hooks && m_hooks->open && m_hooks->open(root) != 0))
        fd = ::open(root.c_str(), kOpenFolder);
    if (fd < 0)
        throw AmbertroveError(kNoEnumeration);
    Frame frame;
    frame.folder = m_rootIndex;
    frame.fd = fd;
    frame.device = status.device;
    frame.inode = status.inode;
    m_frames.push_back(frame);
    if (const int listError = listFolder(fd); listError != 0)
        problem(root, errorText(listError, EIO));
    m_frames.back().endEntry = m_entryOffsets.size();
}

// Appends the names of the open folder to the pending names. Returns 0 or an errno value; the names
// read before a failure are kept.
int Walk::listFolder(int fd) {
    if (m_listing.empty())
        m_listing.resize(kListingBuffer);
    for (;;) {
        const long n = ::syscall(SYS_getdents64, fd, m_listing.data(), m_listing.size());
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        // struct linux_dirent64: inode (8), offset (8), record length (2), type (1), name.
        constexpr std::size_t lengthAt = 16, nameAt = 19;
        for (long pos = 0; pos < n;) {
            const char* record = m_listing.data() + pos;
            unsigned short length;
            std::memcpy(&length, record + lengthAt, sizeof length);
            pos += length;
            const char* name = record + nameAt;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            const std::size_t size = std::strlen(name) + 1;
            m_entryOffsets.push_back(m_names.size());
            m_names.insert(m_names.end(), name, name + size);
        }
    }
}

// Opens a folder whose descriptor was closed to bound the open ones, walking down from the root by
// name without following links, so that a component replaced meanwhile cannot lead out of the tree.
int Walk::reopen(std::size_t frameIndex) {
    int fd = ::open(m_result.rootPath.c_str(), kOpenFolder);
    if (fd < 0)
        return errno;
    for (std::size_t k = 1; k <= frameIndex; ++k) {
        const std::string name(m_result.nodes.name(m_frames[k].folder));
        const int next = ::openat(fd, name.c_str(), kOpenFolder);
        const int error = errno;
        ::close(fd);
        if (next < 0)
            return error;
        fd = next;
    }
    struct stat st {};
    const Frame& frame = m_frames[frameIndex];
    if (::fstat(fd, &st) != 0 || st.st_ino != frame.inode ||
        encodeDevice(major(st.st_dev), minor(st.st_dev)) != frame.device) {
        ::close(fd);
        return ENOENT;
    }
    m_frames[frameIndex].fd = fd;
    return 0;
}

void Walk::popFrame() {
    Frame& top = m_frames.back();
    if (top.fd >= 0)
        ::close(top.fd);
    m_entryOffsets.resize(top.firstEntry);
    m_names.resize(top.namesStart);
    m_frames.pop_back();
    m_closedFrames = std::min(m_closedFrames, m_frames.size());
}

void Walk::walk() {
    while (!m_frames.empty()) {
        const std::size_t top = m_frames.size() - 1;
        Frame& frame = m_frames[top];
        if (frame.nextEntry == frame.endEntry) {
            popFrame();
            continue;
        }
        if (m_cancellation.isCancelled())
            throw CancellationError();
        if (frame.fd < 0) {
            if (const int error = reopen(top); error != 0) {
                problem(m_result.nodes.path(frame.folder), errorText(error, EIO));
                frame.nextEntry = frame.endEntry;
                continue;
            }
            m_closedFrames = top;
        }
        const char* name = m_names.data() + m_entryOffsets[frame.nextEntry++];
        visit(top, name);
    }
    if (m_cancellation.isCancelled())
        throw CancellationError();
}

void Walk::visit(std::size_t frameIndex, const char* name) {
    NodeTable& table = m_result.nodes;
    const Frame& frame = m_frames[frameIndex];
    const NodeIndex parent = frame.folder;

    FileStatus status;
    int error = readFileStatus(frame.fd, name, status);
    if (error == 0 && m_hooks && m_hooks->status) [[unlikely]]
        error = m_hooks->status(childPath(parent, name), status);
    if (error != 0) {
        problem(childPath(parent, name), errorText(error, EIO));
        return;
    }
    const bool isDirectory = status.isDirectory();
    if (isDirectory) {
        if (status.device != m_rootDevice ||
            (m_rootHasMountId && status.hasMountId && status.mountId != m_rootMountId)) {
            problem(childPath(parent, name), kNestedVolume);
            return;
        }
        if (onDescentChain(status.device, status.inode)) {
            problem(childPath(parent, name), errorText(ELOOP, ELOOP));
            return;
        }
    }

    const bool repeat = status.isRegularFile() && !m_seen.insert(status.device, status.inode);
    const NodeIndex index = table.addRecord(parent, std::string_view(name));
    table.setNode(index,
                  NodeData::fromStatus(FileIdentity::fromStatus(status), status,
                                       repeat ? std::optional<std::int64_t>(0) : std::nullopt),
                  true);
    table.appendChild(parent, index);
    const NodeTable::Record& entry = table[index];

    if (m_navigation) {
        // Live totals: the ancestors are exactly the folders on the descent stack.
        for (std::size_t k = frameIndex + 1; k-- > 0;)
            addSubtree(table.mutableRecord(m_frames[k].folder), entry);
    }
    if (isDirectory)
        ++m_folders;
    else
        ++m_files;
    m_bytes = saturatingAdd(m_bytes, entry.allocatedSize);

    std::size_t topLevel = m_frames[frameIndex].topLevel;
    if (parent == m_rootIndex) {
        topLevel = m_topLevel.size();
        TopLevelEntry made{index, {}};
        made.totals.logical = entry.logicalSize;
        made.totals.allocated = entry.allocatedSize;
        made.totals.savings = entry.compressedSavings;
        made.totals.files = entry.fileCount;
        m_topLevel.push_back(made);
    } else {
        m_topLevel[topLevel].totals.add(entry);
    }

    if (m_progress && (m_files + m_folders) % kReportEvery == 0) {
        const double now = steadySeconds();
        if (now - m_lastReport > kReportInterval) {
            m_lastReport = now;
            report(table.path(index));
        }
    }

    if (isDirectory)
        descend(frameIndex, index, name, status, topLevel);
}

void Walk::descend(std::size_t frameIndex, NodeIndex folder, const char* name, const FileStatus& status,
                   std::size_t topLevel) {
    int error = 0;
    if (m_hooks && m_hooks->open) [[unlikely]]
        error = m_hooks->open(childPath(m_frames[frameIndex].folder, name));
    int fd = -1;
    if (error == 0) {
        fd = ::openat(m_frames[frameIndex].fd, name, kOpenFolder);
        if (fd < 0)
            error = errno;
    }
    if (fd < 0) {
        problem(m_result.nodes.path(folder), errorText(error, EIO));
        return;
    }
    Frame frame;
    frame.folder = folder;
    frame.fd = fd;
    frame.namesStart = m_names.size();
    frame.firstEntry = frame.nextEntry = m_entryOffsets.size();
    frame.device = status.device;
    frame.inode = status.inode;
    frame.topLevel = topLevel;
    // `name` points into m_names, which the listing may move: it is not used after this point.
    const int listError = listFolder(fd);
    frame.endEntry = m_entryOffsets.size();
    m_frames.push_back(frame);
    if (listError != 0)
        problem(m_result.nodes.path(folder), errorText(listError, EIO));
    if (m_frames.size() - m_closedFrames > kMaxOpenFolders) {
        ::close(m_frames[m_closedFrames].fd);
        m_frames[m_closedFrames].fd = -1;
        ++m_closedFrames;
    }
}

// Without live totals, every folder's totals are summed once at the end. Records are made in walk order
// (a folder before its contents), so going from the last to the first completes each subtree before it
// is added to its parent.
void Walk::rollUp() {
    NodeTable& table = m_result.nodes;
    for (NodeIndex i = static_cast<NodeIndex>(table.recordCount()); i-- > m_rootIndex + 1;) {
        const NodeTable::Record& entry = table[i];
        if (!entry.isNode() || !(entry.flags & NodeTable::kHasParent))
            continue;
        addSubtree(table.mutableRecord(entry.parent), entry);
    }
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
    struct CloseFrames {
        std::vector<Frame>& frames;
        ~CloseFrames() {
            for (const Frame& f : frames)
                if (f.fd >= 0)
                    ::close(f.fd);
        }
    } closeOnExit{m_frames};

    resolveRoot(requestedRoot);
    walk();
    if (!m_navigation)
        rollUp();
    if (m_progress)
        report(m_result.rootPath);
    m_result.nodes.finish();
    m_result.duration = steadySeconds() - m_start;
    return std::move(m_result);
}

} // namespace

ScanResult DiskScanner::scan(const std::string& root, const CancellationFlag& cancellation,
                             const ScanNavigation* navigation, const ProgressCallback& progress) const {
    Walk walk(m_hooks.get(), cancellation, navigation, progress);
    return walk.run(root);
}

} // namespace ambertrove
