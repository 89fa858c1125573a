#include "scan/FolderListings.hpp"

#include "base/AmbertroveError.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <new>
#include <pthread.h>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ambertrove {

namespace {

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr std::size_t kListingBuffer = 64 * 1024;
// How often a reader looks at the shared flag when no hook can set it between two entries.
constexpr std::size_t kFlagEvery = 64;
// openat2 takes paths of at most PATH_MAX bytes: longer ones are opened a piece at a time.
constexpr std::size_t kPathPiece = 3072;
// Folders with more entries than this have the status of their entries read in parts of this size, by
// as many workers as are free.
constexpr std::size_t kPart = 256;

std::atomic<bool> g_noOpenat2{false};

// Opens `path` below `base` in steps of at most `limit` bytes (a component at least), each step from the
// folder the one before opened.
template <class OpenStep>
int openInSteps(int base, std::string_view path, std::size_t limit, OpenStep openStep) {
    int dir = base;
    for (;;) {
        std::size_t end = path.size();
        if (end > limit) {
            end = limit > 0 ? path.rfind('/', limit) : std::string_view::npos;
            if (end == std::string_view::npos || end == 0)
                end = std::min(path.find('/'), path.size());
        }
        const std::string step(path.substr(0, end));
        const int fd = openStep(dir, step.c_str());
        const int error = errno;
        if (dir != base)
            ::close(dir);
        if (fd < 0) {
            errno = error;
            return -1;
        }
        if (end >= path.size())
            return fd;
        dir = fd;
        path.remove_prefix(end + 1);
    }
}

// One step below `dir` without following any link or crossing a mount point; -1 with ENOSYS or EPERM
// when the system (or a sandbox) refuses the call itself.
int openResolved(int dir, const char* path) {
    open_how how{};
    how.flags = kOpenFolder;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_XDEV;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const long fd = ::syscall(SYS_openat2, dir, path, &how, sizeof how);
        if (fd >= 0)
            return static_cast<int>(fd);
        if (errno != EAGAIN && errno != EINTR) // EAGAIN: a rename raced the resolution
            break;
    }
    if (errno == ENOSYS)
        g_noOpenat2.store(true, std::memory_order_relaxed);
    return -1;
}

int openComponent(int dir, const char* name) {
    return ::openat(dir, name, kOpenFolder);
}

// Opens a folder by its path below the root's descriptor (NUL-terminated at `length`). `beneath` says
// whether the folder was opened by openat2, which never crosses a mount point.
int openBelow(int base, const char* path, std::size_t length, bool& beneath) {
    beneath = false;
    if (!g_noOpenat2.load(std::memory_order_relaxed)) {
        const int fd = length <= kPathPiece ? openResolved(base, path)
                                            : openInSteps(base, {path, length}, kPathPiece, openResolved);
        if (fd >= 0 || (errno != ENOSYS && errno != EPERM)) {
            beneath = fd >= 0;
            return fd;
        }
    }
    // Without openat2: one component at a time, none of them a link.
    return openInSteps(base, {path, length}, 0, openComponent);
}

// Gives every name of a listing its entry, at once: entries grown one at a time would be moved again
// and again.
void makeEntries(FolderListings::Listing& listing, std::size_t count) {
    listing.entries.reserve(count);
    const char* names = listing.names.data();
    for (std::size_t offset = 0, end = listing.names.size(); offset < end;) {
        FolderListings::Entry& entry = listing.entries.emplace_back();
        entry.nameOffset = static_cast<std::uint32_t>(offset);
        offset += std::strlen(names + offset) + 1;
    }
}

// Appends the names of an open folder and gives them their entries. Returns 0 or an errno value; the
// names read before a failure are kept.
// `self`: the inode the listing gives ".", or 0.
int listNames(int fd, std::vector<char, ListingAllocator<char>>& buffer, FolderListings::Listing& listing,
              std::uint64_t& self) {
    self = 0;
    if (buffer.size() < kListingBuffer)
        buffer.resize(kListingBuffer);
    std::size_t count = 0;
    for (;;) {
        const long n = ::syscall(SYS_getdents64, fd, buffer.data(), buffer.size());
        if (n == 0) {
            makeEntries(listing, count);
            return 0;
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            makeEntries(listing, count);
            return errno;
        }
        // The names take less room than their records.
        listing.names.reserve(listing.names.size() + static_cast<std::size_t>(n));
        // struct linux_dirent64: inode (8), offset (8), record length (2), type (1), name.
        constexpr std::size_t lengthAt = 16, typeAt = 18, nameAt = 19;
        for (long pos = 0; pos < n;) {
            const char* record = buffer.data() + pos;
            unsigned short length;
            std::memcpy(&length, record + lengthAt, sizeof length);
            pos += length;
            const char* name = record + nameAt;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
                if (name[1] == '\0')
                    std::memcpy(&self, record, sizeof self);
                continue;
            }
            const auto type = static_cast<unsigned char>(record[typeAt]);
            if (type == DT_DIR || type == DT_UNKNOWN)
                listing.mayHoldFolders = true;
            listing.names.append(name, std::strlen(name) + 1);
            ++count;
        }
    }
}

// A huge folder's listing is made room for at once, from the size of the folder itself (on most file
// systems at least about 16 bytes an entry): growing it would move it several times. Room not filled is
// never touched, so a guess too large costs no memory.
void reserveFor(FolderListings::Listing& listing, std::int64_t folderSize) {
    constexpr std::int64_t kHuge = 1 << 20;
    if (folderSize < kHuge)
        return;
    listing.entries.reserve(static_cast<std::size_t>(folderSize / 16));
    listing.names.reserve(static_cast<std::size_t>(folderSize));
}

// The weight of a listing in the read-ahead bound.
std::size_t weight(const FolderListings::Listing& listing) {
    return listing.entries.size() + 1;
}

} // namespace

bool FolderListings::Later::operator()(const Task& ta, const Task& tb) const {
    // Whether `ta` comes after `tb` in the walk: compare them below their closest common ancestor. The
    // parts of a folder come before its contents, and the earlier parts first.
    const Listing* a = ta.listing;
    const Listing* b = tb.listing;
    if (a == b)
        return ta.begin > tb.begin;
    if (ta.exact && tb.exact) {
        if (ta.order[0] != tb.order[0])
            return ta.order[0] > tb.order[0];
        if (ta.order[1] != tb.order[1])
            return ta.order[1] > tb.order[1];
        const std::uint32_t common = std::min(a->depth, b->depth);
        for (std::uint32_t k = Listing::kOrderDepth; k < common; ++k)
            if (a->key[k] != b->key[k])
                return a->key[k] > b->key[k];
        return a->depth > b->depth;
    }
    const Listing* x = a;
    const Listing* y = b;
    while (x->depth > y->depth)
        x = x->parent;
    while (y->depth > x->depth)
        y = y->parent;
    if (x == y)
        return a->depth > b->depth; // a folder comes before its contents
    while (x->parent != y->parent) {
        x = x->parent;
        y = y->parent;
    }
    return x->position > y->position;
}

void FolderListings::Release::operator()(Listing* listing) const noexcept {
    // One at a time rather than recursively: the listings read ahead below a folder may be thousands of
    // levels deep. The `parent` of a listing to free links it to the next.
    listing->parent = nullptr;
    for (Listing* doomed = listing; doomed;) {
        Listing* current = doomed;
        doomed = current->parent;
        for (Entry& entry : current->entries)
            if (Listing* child = entry.folder.release()) {
                child->parent = doomed;
                doomed = child;
            }
        if ((current->keepsFd || current->lendsFd) && current->fd >= 0)
            ::close(current->fd);
        ListingMemory* memory = current->memory;
        current->~Listing();
        memory->deallocate(current, sizeof(Listing));
    }
}

namespace {

// Kept descriptors take at most a quarter of what the process may open.
unsigned maxKeptDescriptors() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 1024;
    return static_cast<unsigned>(std::clamp<rlim_t>(limit.rlim_cur / 4, 8, 1024));
}

} // namespace

FolderListings::ListingPtr FolderListings::makeListing() {
    return ListingPtr(new (m_memory.allocate(sizeof(Listing))) Listing(&m_memory));
}

FolderListings::FolderListings(Root root, ListingMemory& memory, const ScanFileSystem* hooks,
                               const CancellationFlag& cancellation, unsigned workers, std::size_t readAhead)
    : m_root(std::move(root))
    , m_hooks(hooks)
    , m_hookPaths(hooks && (hooks->status || hooks->open))
    , m_cancellation(cancellation)
    , m_maxWorkers(workers)
    , m_readAhead(std::max<std::size_t>(readAhead, 1))
    , m_memory(memory)
    , m_rootListing(makeListing())
    , m_ownScratch(&memory)
    , m_maxKept(maxKeptDescriptors()) {
    for (std::size_t k = 0; k < (std::size_t(1) << kFolderShardBits); ++k)
        m_folderShards.emplace_back(memory);
    m_rootListing->device = m_root.status.device;
    m_rootListing->inode = m_root.status.inode;
}

FolderListings::~FolderListings() {
    {
        std::lock_guard lock(m_lock);
        m_stop = true;
    }
    m_abandoned.store(true, std::memory_order_relaxed);
    m_workAvailable.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
    // Large folders whose parts were left unread still hold their descriptor (the root's is closed below).
    for (const Task& task : m_parts)
        if (task.listing->parent && task.listing->fd >= 0) {
            ::close(task.listing->fd);
            task.listing->fd = -1;
        }
    if (m_root.fd >= 0)
        ::close(m_root.fd);
}

FolderListings::ListingPtr FolderListings::takeRoot() {
    return std::move(m_rootListing);
}

void FolderListings::retire(Listing& listing) noexcept {
    if (!listing.keepsFd || listing.fd < 0)
        return;
    ::close(listing.fd);
    listing.fd = -1;
    m_kept.fetch_sub(1, std::memory_order_relaxed);
}

bool FolderListings::stopping(std::size_t entryIndex) const {
    if (m_abandoned.load(std::memory_order_relaxed))
        return true;
    // A hook may set the flag between any two entries.
    return (m_hooks || entryIndex % kFlagEvery == 0) && m_cancellation.isCancelled();
}

void FolderListings::pathBelow(const Listing* from, const Listing& listing, Scratch& scratch) {
    scratch.path.clear();
    scratch.chain.clear();
    for (const Listing* l = &listing; l != from && l->parent; l = l->parent)
        scratch.chain.push_back(l);
    for (auto it = scratch.chain.rbegin(); it != scratch.chain.rend(); ++it) {
        if (!scratch.path.empty())
            scratch.path.push_back('/');
        const Listing& parent = *(*it)->parent;
        scratch.path.append(parent.name(parent.entries[(*it)->position]));
    }
}

void FolderListings::hookPathOf(const Listing& listing, Scratch& scratch) const {
    pathBelow(nullptr, listing, scratch);
    scratch.hookPath = m_root.path;
    if (!scratch.path.empty()) {
        if (scratch.hookPath.back() != '/')
            scratch.hookPath.push_back('/');
        scratch.hookPath.append(scratch.path);
    }
}

bool FolderListings::takeDescriptor(std::atomic<unsigned>& count, unsigned most) noexcept {
    unsigned taken = count.load(std::memory_order_relaxed);
    while (taken < most && !count.compare_exchange_weak(taken, taken + 1, std::memory_order_relaxed)) {
    }
    return taken < most;
}

void FolderListings::returnLent(Listing& parent) noexcept {
    // The last of the sub-folders closes it: the others read the descriptor before they counted
    // themselves out (release), and the last sees those counts (acquire).
    if (parent.unopened.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    ::close(parent.fd);
    parent.fd = -1;
    m_lent.fetch_sub(1, std::memory_order_relaxed);
}

int FolderListings::openFolder(const Listing& listing, Scratch& scratch, bool& beneath) {
    beneath = false;
    Listing& parent = *listing.parent;
    const bool lent = parent.lendsFd;
    if (m_hooks && m_hooks->open) [[unlikely]] {
        int error = 0;
        {
            std::lock_guard hookLock(m_hookLock);
            error = m_hooks->open(scratch.hookPath);
        }
        if (error != 0) {
            if (lent)
                returnLent(parent);
            errno = error;
            return -1;
        }
    }
    if (lent || parent.keepsFd || !parent.parent) {
        // One component from the parent's descriptor: no path to resolve again.
        const char* name = parent.name(parent.entries[listing.position]);
        const int fd = openBelow(parent.fd, name, std::strlen(name), beneath);
        const int error = errno;
        if (lent)
            returnLent(parent);
        errno = error;
        return fd;
    }
    pathBelow(listing.base, listing, scratch);
    return openBelow(listing.base ? listing.base->fd : m_root.fd, scratch.path.data(), scratch.path.size(),
                     beneath);
}

bool FolderListings::noteFolder(std::int32_t device, std::uint64_t inode) {
    const FolderKey key{device, inode};
    FolderShard& shard = m_folderShards[FolderKeyHash{}(key) >> (64 - kFolderShardBits)];
    std::lock_guard lock(shard.lock);
    return shard.folders.insert(key).second;
}

bool FolderListings::isOwnAncestor(const Listing& listing, const FileStatus& status) {
    // A folder near the root is compared with its few ancestors. One deeper is noted in the set of the
    // deep folders met, as each of its deep ancestors was when it was met: met for the first time, it is
    // none of them, and only the ancestors near the root remain to compare. One met before is compared
    // with all.
    const Listing* l = &listing;
    if (listing.depth >= kNearDepth && noteFolder(status.device, status.inode))
        l = nearAncestor(listing);
    std::size_t visited = 0;
    for (; l; l = l->parent) {
        ++visited;
        if (l->inode == status.inode && l->device == status.device)
            break;
    }
    if (m_hooks && m_hooks->loopCheck) [[unlikely]] {
        std::lock_guard hookLock(m_hookLock);
        m_hooks->loopCheck(visited);
    }
    return l != nullptr;
}

bool FolderListings::read(Listing& listing, Scratch& scratch) {
    try {
        if (m_hookPaths)
            hookPathOf(listing, scratch);
        int fd = m_root.fd; // the root's listing reads the descriptor the walk opened
        bool beneath = false;
        if (listing.parent) {
            fd = openFolder(listing, scratch, beneath);
            if (fd < 0) {
                // A link or something else than a folder met on the way, a mount point, or a folder
                // that left the one it was opened from: the tree changed since each step was examined
                // as a folder of the scanned volume.
                if (errno == ELOOP || errno == ENOTDIR || errno == EXDEV)
                    listing.changed = true;
                else
                    listing.openError = errno;
                return true;
            }
        }
        reserveFor(listing, listing.parent ? listing.size : m_root.status.size);
        std::uint64_t self = 0;
        const int listError = listNames(fd, scratch.names, listing, self);
        // The folder may have been swapped for another since its status was read: its contents must not
        // be counted under its name. Opened without crossing a mount, it is the folder examined when its
        // listing names it "." with the inode examined; else its status says.
        if (listing.parent && !(beneath && self != 0 && self == listing.inode)) {
            FileStatus opened;
            const int error = readOpenFileStatus(fd, opened);
            if (error != 0 || opened.device != listing.device || opened.inode != listing.inode) {
                ::close(fd);
                listing.entries.clear();
                listing.names.clear();
                listing.mayHoldFolders = false;
                if (error != 0)
                    listing.openError = error;
                else
                    listing.changed = true;
                return true;
            }
        }
        listing.fd = fd;
        listing.partsLeft.store(1, std::memory_order_relaxed);
        listing.listError = listError;
        // Far enough below its base, a folder that may hold folders keeps its descriptor for them.
        if (listing.parent && listing.mayHoldFolders &&
            listing.depth - (listing.base ? listing.base->depth : 0) >= kKeepEvery) {
            listing.keepsFd = takeDescriptor(m_kept, m_maxKept);
        }
        const std::size_t count = listing.entries.size();
        if (m_maxWorkers > 0 && count > 2 * kPart) {
            std::unique_lock lock(m_lock);
            if (m_splitListings < m_maxWorkers) {
                const auto parts = static_cast<std::uint32_t>((count - 1) / kPart); // besides the first
                m_parts.reserve(m_parts.size() + parts);                            // nothing below throws
                ++m_splitListings;
                listing.split = true;
                listing.partsLeft.store(1 + parts, std::memory_order_relaxed);
                for (std::uint32_t k = 1; k <= parts; ++k)
                    push(m_parts, Task{&listing, static_cast<std::uint32_t>(k * kPart)});
                offer(parts, true);
                const unsigned owed = owedWakeUps();
                lock.unlock();
                wake(owed);
            }
        }
        const std::size_t end = listing.split ? kPart : count;
        readStatuses(listing, 0, end, scratch);
    } catch (...) {
        fail(listing);
    }
    return finishPart(listing);
}

bool FolderListings::readPart(Listing& listing, std::uint32_t begin, Scratch& scratch) {
    try {
        if (m_hookPaths)
            hookPathOf(listing, scratch);
        readStatuses(listing, begin, std::min<std::size_t>(begin + kPart, listing.entries.size()), scratch);
    } catch (...) {
        fail(listing);
    }
    return finishPart(listing);
}

void FolderListings::fail(Listing& listing) {
    std::lock_guard lock(m_lock);
    if (!listing.failure)
        listing.failure = std::current_exception();
}

// True for the reader of the last part, which closes the folder. The readers of the other parts used its
// descriptor and wrote their entries before they counted their part done (release); the last reader
// sees those counts, the last of them through the load when it is the only one left (acquire).
bool FolderListings::finishPart(Listing& listing) {
    if (listing.partsLeft.load(std::memory_order_acquire) > 1 &&
        listing.partsLeft.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return false;
    if (listing.keepsFd || !listing.parent)
        return true;
    if (listing.fd < 0)
        return true;
    // Its sub-folders are opened from it, as long as not too many folders lend their descriptors. None
    // is opened before it is published: they are set here first.
    const std::uint32_t subfolders = listing.subfolders.load(std::memory_order_relaxed);
    if (subfolders > 0 && !listing.cancelled.load(std::memory_order_relaxed) && !listing.failure &&
        takeDescriptor(m_lent, m_maxKept)) {
        listing.unopened.store(subfolders, std::memory_order_relaxed);
        listing.lendsFd = true;
        return true;
    }
    ::close(listing.fd);
    listing.fd = -1;
    return true;
}

void FolderListings::readStatuses(Listing& listing, std::size_t begin, std::size_t end, Scratch& scratch) {
    const FileStatus& root = m_root.status;
    std::uint32_t subfolders = 0;
    struct Count {
        std::atomic<std::uint32_t>& total;
        const std::uint32_t& made;
        ~Count() {
            if (made)
                total.fetch_add(made, std::memory_order_relaxed);
        }
    } count{listing.subfolders, subfolders};
    for (std::size_t i = begin; i < end; ++i) {
        if (stopping(i)) [[unlikely]] {
            listing.cancelled.store(true, std::memory_order_relaxed);
            return;
        }
        Entry& entry = listing.entries[i];
        const char* name = listing.name(entry);
        int error = readFileStatus(listing.fd, name, entry.status);
        if (error == 0 && m_hooks && m_hooks->status) [[unlikely]] {
            std::string path = scratch.hookPath;
            if (path.back() != '/')
                path.push_back('/');
            path.append(name);
            std::lock_guard hookLock(m_hookLock);
            error = m_hooks->status(path, entry.status);
        }
        const FileStatus& status = entry.status;
        if (error != 0) {
            entry.kind = Kind::Unreadable;
            entry.error = error;
            continue;
        }
        if (!status.isDirectory())
            continue;
        if (status.device != root.device ||
            (root.hasMountId && status.hasMountId && status.mountId != root.mountId)) {
            entry.kind = Kind::NestedVolume;
            continue;
        }
        if (isOwnAncestor(listing, status)) {
            entry.kind = Kind::Loop;
            continue;
        }
        ListingPtr folder = makeListing();
        folder->parent = &listing;
        folder->base = listing.keepsFd ? &listing : listing.base;
        folder->depth = listing.depth + 1;
        if (folder->depth > kNearDepth)
            folder->near = nearAncestor(listing);
        folder->position = static_cast<std::uint32_t>(i);
        folder->exactKey = listing.exactKey && listing.depth < Listing::kKeyDepth && i < 0xFFFF;
        if (folder->exactKey) {
            std::copy_n(listing.key, listing.depth, folder->key);
            folder->key[listing.depth] = static_cast<std::uint16_t>(i);
            folder->order[0] = listing.order[0];
            folder->order[1] = listing.order[1];
            if (listing.depth < Listing::kOrderDepth)
                folder->order[listing.depth / 4] |= std::uint64_t(i + 1) << (48 - 16 * (listing.depth % 4));
        }
        folder->device = status.device;
        folder->inode = status.inode;
        folder->size = status.size;
        entry.folder = std::move(folder);
        ++subfolders;
    }
}

void FolderListings::push(std::vector<Task>& heap, Task task) {
    heap.push_back(task);
    std::push_heap(heap.begin(), heap.end(), Later{});
}

FolderListings::Task FolderListings::pop(std::vector<Task>& heap) {
    std::pop_heap(heap.begin(), heap.end(), Later{});
    const Task task = heap.back();
    heap.pop_back();
    return task;
}

bool FolderListings::takeWork(Task& task) {
    // Parts of a large folder are read whatever the read-ahead bound (the folder counts once complete),
    // and before any listing that comes after them.
    const bool listingAllowed = !m_waiting.empty() && m_ahead.load(std::memory_order_relaxed) < m_readAhead;
    if (!m_parts.empty() && (!listingAllowed || !Later{}(m_parts.front(), m_waiting.front()))) {
        task = pop(m_parts);
        return true;
    }
    if (!listingAllowed)
        return false;
    task = pop(m_waiting);
    return true;
}

void FolderListings::publish(Listing& listing) {
    struct MarkRead {
        Listing& listing;
        ~MarkRead() { listing.state.store(Listing::State::Read, std::memory_order_release); }
    } markRead{listing}; // once its folders are queued
    m_ahead.fetch_add(weight(listing), std::memory_order_relaxed);
    if (listing.split)
        --m_splitListings;
    if (m_maxWorkers == 0)
        return;
    std::size_t queued = 0;
    if (!listing.failure && !listing.cancelled.load(std::memory_order_relaxed))
        for (Entry& entry : listing.entries)
            if (entry.folder) {
                push(m_waiting, Task{entry.folder.get()});
                ++queued;
            }
    offer(queued, false);
}

void FolderListings::offer(std::size_t queued, bool parts) {
    if (queued == 0)
        return;
    // Workers start as the walk finds work for them.
    while (m_workers.size() < m_maxWorkers && m_idleWorkers < m_waiting.size() + m_parts.size()) {
        try {
            m_workers.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break; // fewer workers: the walk reads what they do not
        }
        ++m_idleWorkers;
    }
    // Workers held back by the bound are woken by the walk once it has taken a good share (below). Only
    // sleeping workers are woken (the others look for work before they sleep), one for each new task,
    // once the lock is released.
    if (m_sleeping == 0 || !(parts || m_ahead.load(std::memory_order_relaxed) < m_readAhead))
        return;
    m_owedWakeUps = static_cast<unsigned>(std::min<std::size_t>(m_owedWakeUps + queued, m_sleeping));
}

unsigned FolderListings::owedWakeUps() {
    const unsigned owed = m_owedWakeUps;
    m_owedWakeUps = 0;
    return owed > 0 && owed >= m_sleeping ? kWakeAll : owed;
}

void FolderListings::wake(unsigned count) {
    if (count == kWakeAll) {
        m_workAvailable.notify_all();
        return;
    }
    for (; count > 0; --count)
        m_workAvailable.notify_one();
}

void FolderListings::work() {
    ::pthread_setname_np(::pthread_self(), "scan-worker");
    Scratch scratch(&m_memory);
    std::unique_lock lock(m_lock);
    for (;;) {
        Task next{};
        while (!m_stop && !takeWork(next)) {
            if (m_owedWakeUps > 0) {
                const unsigned owed = owedWakeUps();
                lock.unlock();
                wake(owed);
                lock.lock();
                continue;
            }
            ++m_sleeping;
            m_workAvailable.wait(lock);
            --m_sleeping;
        }
        if (m_stop)
            return;
        --m_idleWorkers;
        Listing& listing = *next.listing;
        if (next.begin == Task::kWhole)
            listing.state.store(Listing::State::Reading, std::memory_order_relaxed);
        const unsigned owed = owedWakeUps();
        lock.unlock();
        wake(owed);
        const bool complete =
            next.begin == Task::kWhole ? read(listing, scratch) : readPart(listing, next.begin, scratch);
        lock.lock();
        ++m_idleWorkers;
        if (complete) {
            publish(listing);
            if (m_awaited == &listing)
                m_listingRead.notify_one();
        }
    }
}

void FolderListings::await(Listing& listing) {
    if (listing.state.load(std::memory_order_acquire) != Listing::State::Read) {
        std::unique_lock lock(m_lock);
        if (listing.state.load(std::memory_order_relaxed) == Listing::State::Waiting) {
            // The walk needs it now and no worker has it: read it here rather than wait. It is the first
            // of the waiting listings in walk order, so the top of the heap (unless it is the root, never
            // queued).
            if (!m_waiting.empty() && m_waiting.front().listing == &listing) {
                (void)pop(m_waiting);
            } else if (const auto it = std::find_if(m_waiting.begin(), m_waiting.end(),
                                                    [&](const Task& t) { return t.listing == &listing; });
                       it != m_waiting.end()) {
                m_waiting.erase(it);
                std::make_heap(m_waiting.begin(), m_waiting.end(), Later{});
            }
            listing.state.store(Listing::State::Reading, std::memory_order_relaxed);
            lock.unlock();
            const bool complete = read(listing, m_ownScratch);
            lock.lock();
            if (complete) {
                publish(listing);
                const unsigned owed = owedWakeUps();
                lock.unlock();
                wake(owed);
                lock.lock();
            }
            // Otherwise workers read its other parts: wait for them below.
        }
        m_awaited = &listing;
        while (listing.state.load(std::memory_order_acquire) != Listing::State::Read) {
            if (!m_parts.empty() && m_parts.front().listing == &listing) {
                // A part of it no worker has taken yet: read that rather than wait.
                const Task part = pop(m_parts);
                lock.unlock();
                const bool complete = readPart(listing, part.begin, m_ownScratch);
                lock.lock();
                if (complete) {
                    publish(listing);
                    const unsigned owed = owedWakeUps();
                    lock.unlock();
                    wake(owed);
                    lock.lock();
                }
                continue;
            }
            // Even when the scan is stopped, wait for the worker: the walk frees the listing as soon as it
            // stops, and the worker, which looks at the flag often, is soon done with it.
            m_listingRead.wait(lock);
        }
        m_awaited = nullptr;
    }
    // It no longer counts ahead of the walk.
    const std::size_t before = m_ahead.fetch_sub(weight(listing), std::memory_order_relaxed);
    // Workers stop at the bound and start again a quarter below it, all at once, rather than one at a
    // time with every listing taken.
    const std::size_t resume = m_readAhead - m_readAhead / 4;
    if (before >= resume && before - weight(listing) < resume) {
        bool sleeping = false;
        {
            std::lock_guard lock(m_lock);
            sleeping = m_sleeping > 0;
        }
        if (sleeping)
            m_workAvailable.notify_all();
    }
    checkOutcome(listing);
}

void FolderListings::checkOutcome(const Listing& listing) {
    if (listing.failure)
        std::rethrow_exception(listing.failure);
    if (listing.cancelled.load(std::memory_order_relaxed))
        throw CancellationError();
}

} // namespace ambertrove
