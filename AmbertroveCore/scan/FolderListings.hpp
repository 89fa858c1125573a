#pragma once

#include "platform/FileStatus.hpp"
#include "scan/CancellationFlag.hpp"
#include "scan/ListingMemory.hpp"
#include "scan/ScanFileSystem.hpp"
#include "scan/SpinLock.hpp"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <unordered_set>
#include <utility>
#include <vector>

namespace ambertrove {

// The listings of the folders a scan walks, each with the status of every entry, read by worker threads
// ahead of the walk in the order the walk will ask for them (a folder before its contents, then in
// listing order). The walking thread takes them one at a time with `await`; when the listing it needs
// has not been started yet it reads it itself, so a walk never waits for a worker that is busy further
// ahead, and without workers it reads every listing itself, when it gets there.
//
// The status of the entries of a large folder is read in parts, by as many workers as are free (the walk
// among them when it waits for that folder).
//
// Folders are opened by their name from their parent's descriptor, which a read folder lends to its
// sub-folders until each of them has been opened (a bounded number of folders at once); else by their
// path below the descriptor of a near ancestor; never through a link and never across a mount point.
// Every kKeepEvery levels a folder keeps its descriptor for its descendants until the walk leaves it (a
// bounded number of them at once), so opening a folder costs the same at any depth; besides those, a
// worker holds one descriptor at a time, and those of the large folders being read in parts (at most
// one per worker). Whether a folder is one of its own ancestors is found by comparing it with its
// ancestors near the root (reached at once from a deep folder) and, far from the root, by looking it up
// in the set of the deep folders met so far: only one met before is compared with all its ancestors. How
// far the workers may run ahead is bounded by a number of entries listed but not yet taken.
class FolderListings {
public:
    // What the walk makes of an entry; decided where the status is read, from that status and the
    // folder's ancestors.
    enum class Kind : std::uint8_t {
        Measured,     // gets a node; a folder among them comes with the listing of its contents
        Unreadable,   // its status could not be read (`error`)
        NestedVolume, // a folder on another device or mount
        Loop,         // a folder that is one of its own ancestors
    };

    struct Listing;
    // Frees a listing into the memory it was made in.
    struct Release {
        void operator()(Listing* listing) const noexcept;
    };
    using ListingPtr = std::unique_ptr<Listing, Release>;

    struct Entry {
        // The status is left as it is found until it is read (every field at once): clearing it first
        // would write every entry twice. Only a measured entry's is ever looked at.
        Entry() noexcept {}
        union {
            FileStatus status;
        };
        ListingPtr folder; // a measured folder's listing, read ahead or still to be read
        std::uint32_t nameOffset = 0;
        int error = 0;
        Kind kind = Kind::Measured;
    };
    static_assert(std::is_trivially_destructible_v<FileStatus> && std::is_trivially_copyable_v<FileStatus>);

    // One folder: made when its parent is listed, filled by a worker or by the walk.
    struct Listing {
        explicit Listing(ListingMemory* memory_)
            : entries(memory_)
            , names(memory_)
            , memory(memory_) {}

        int openError = 0;           // the folder could not be opened: no entries
        bool changed = false;        // what its name led to is no longer the folder examined: no entries
        int listError = 0;           // the listing stopped early: the entries read before are kept
        bool mayHoldFolders = false; // an entry was listed as a folder or of an unknown type
        ListingArray<Entry> entries;
        ListingArray<char> names; // NUL-terminated

        [[nodiscard]] const char* name(const Entry& entry) const { return names.data() + entry.nameOffset; }
        // The walk is past the entries before `next` (each has given up its folder's listing): their
        // memory goes back to the system.
        void releaseBefore(std::size_t next) noexcept {
            if (next >= entries.size())
                return;
            names.release(entries[next].nameOffset);
            entries.release(next);
        }

    private:
        friend class FolderListings;
        enum class State : std::uint8_t { Waiting, Reading, Read };
        ListingMemory* memory;
        Listing* parent = nullptr; // alive while this one waits or is read: the walk is inside it
        // Deeper than kNearDepth: its ancestor at that depth (alive as the parent is).
        const Listing* near = nullptr;
        std::uint32_t depth = 0;
        std::uint32_t position = 0; // in the parent's entries
        // The positions from the root down, for comparing places in the walk without visiting ancestors;
        // `exactKey` when the listing is shallow enough and every position fits.
        static constexpr std::uint32_t kKeyDepth = 12;
        std::uint16_t key[kKeyDepth] = {};
        bool exactKey = true;
        // The first kOrderDepth positions of an exact key, each plus one, in 16 bits from the highest:
        // compared as numbers, they order listings as their keys do, a folder before its contents.
        static constexpr std::uint32_t kOrderDepth = 8;
        std::uint64_t order[2] = {0, 0};
        std::int32_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;                    // the folder's own, as its status showed it
        std::atomic<State> state{State::Waiting}; // changed with the lock held; Read is final
        Listing* base = nullptr; // the nearest ancestor that keeps its descriptor (none: the root)
        int fd = -1;             // while its parts are read, or until the walk leaves it when kept
        bool keepsFd = false;    // its descendants are opened from its descriptor
        // Once read, it lends its descriptor to its sub-folders until each has been opened from it.
        bool lendsFd = false;
        std::atomic<std::uint32_t> subfolders{0}; // its entries that have a listing
        std::atomic<std::uint32_t> unopened{0};   // of those, the ones not opened yet while it lends
        std::atomic<std::uint32_t> partsLeft{0};  // parts of a large folder still being read
        bool split = false;                       // read in parts (set with the lock held)
        std::atomic<bool> cancelled{false};
        std::exception_ptr failure; // the first, set with the lock held
    };

    // What a reader reuses from one folder to the next: the buffer it takes names in, and the path.
    struct Scratch {
        explicit Scratch(ListingMemory* memory)
            : names(ListingAllocator<char>(memory))
            , path(ListingAllocator<char>(memory))
            , chain(ListingAllocator<const Listing*>(memory)) {}
        std::vector<char, ListingAllocator<char>> names;
        std::basic_string<char, std::char_traits<char>, ListingAllocator<char>> path; // below the base
        std::vector<const Listing*, ListingAllocator<const Listing*>> chain;
        std::string hookPath; // the folder's absolute path, for the hooks only
    };

    // The root as the walk resolved it: its descriptor (owned from here on), absolute path and status.
    struct Root {
        int fd = -1;
        std::string path;
        FileStatus status;
    };

    // `workers` threads at most (0: the walking thread reads every listing); they start as work appears.
    // `readAhead`: the entries that may be listed ahead of the walk. Hooks are called one at a time.
    // Listings are made in `memory`, which must outlive them.
    FolderListings(Root root, ListingMemory& memory, const ScanFileSystem* hooks,
                   const CancellationFlag& cancellation, unsigned workers, std::size_t readAhead);
    // Stops and joins the workers; closes the root.
    ~FolderListings();
    FolderListings(const FolderListings&) = delete;
    FolderListings& operator=(const FolderListings&) = delete;

    // The root's listing, for the walk to own.
    [[nodiscard]] ListingPtr takeRoot();
    // Returns once `listing` (the root's or one of an entry the walk holds) is complete and no worker
    // touches it any more, even when the scan is stopped. Throws CancellationError when the flag stopped
    // its reading, or what reading it failed with.
    void await(Listing& listing);
    // The walk has left `listing` (and everything below it): a descriptor it kept is closed.
    void retire(Listing& listing) noexcept;

    // A folder keeps its descriptor for its descendants when it lies this many levels below the nearest
    // ancestor that keeps one (the root's always stays open).
    static constexpr std::uint32_t kKeepEvery = 128;
    // Folders this deep at most are looked for among their ancestors alone when they are met; deeper
    // ones are looked up among the deep folders met, then compared with their ancestors this deep at
    // most.
    static constexpr std::uint32_t kNearDepth = 32;

private:
    // A listing to read, or a part of a large folder's entries (from `begin`) whose status to read.
    struct Task {
        static constexpr std::uint32_t kWhole = UINT32_MAX;
        Task(Listing* listing_, std::uint32_t begin_ = kWhole)
            : listing(listing_)
            , begin(begin_)
            , exact(listing_->exactKey)
            , order{listing_->order[0], listing_->order[1]} {}
        Task() = default;
        Listing* listing = nullptr;
        std::uint32_t begin = kWhole;
        bool exact = false;
        // A copy of the listing's place in the walk, compared without visiting the listing.
        std::uint64_t order[2] = {0, 0};
    };
    struct Later {
        bool operator()(const Task& a, const Task& b) const;
    };

    void work();
    // Reads one listing's folder and the status of its entries, or of a part of them, outside the lock.
    // True when the listing is complete (the last of its parts was read).
    bool read(Listing& listing, Scratch& scratch);
    bool readPart(Listing& listing, std::uint32_t begin, Scratch& scratch);
    void readStatuses(Listing& listing, std::size_t begin, std::size_t end, Scratch& scratch);
    void fail(Listing& listing);
    bool finishPart(Listing& listing);
    // Marks a read listing complete and queues its folders (with the lock held).
    void publish(Listing& listing);
    static void push(std::vector<Task>& heap, Task task);
    static Task pop(std::vector<Task>& heap);
    // The next task for a worker, if it may take one (with the lock held).
    [[nodiscard]] bool takeWork(Task& task);
    // Starts workers, or notes the sleeping ones to wake, for `queued` new tasks, parts of a folder or not
    // (with the lock held).
    void offer(std::size_t queued, bool parts);
    // The wake-ups noted, handed over to be given once the lock is released (with the lock held).
    static constexpr unsigned kWakeAll = UINT32_MAX;
    [[nodiscard]] unsigned owedWakeUps();
    // Wakes `count` sleeping workers (kWakeAll: every one), without the lock.
    void wake(unsigned count);
    static void checkOutcome(const Listing& listing);
    // Opens a listing's folder from its parent's descriptor when the parent lends it, else from its base,
    // after the hook. Returns the descriptor or -1 with errno.
    // `beneath`: opened without crossing a mount point, as openat2 alone can promise.
    [[nodiscard]] int openFolder(const Listing& listing, Scratch& scratch, bool& beneath);
    // One of the sub-folders of a listing that lends its descriptor is done with it.
    void returnLent(Listing& parent) noexcept;
    // Takes one of `count` descriptors, bounded by `most`.
    [[nodiscard]] static bool takeDescriptor(std::atomic<unsigned>& count, unsigned most) noexcept;
    [[nodiscard]] ListingPtr makeListing();
    // The path of a listing's folder below `from` (an ancestor; none: the root), into `scratch.path`.
    static void pathBelow(const Listing* from, const Listing& listing, Scratch& scratch);
    // The absolute path of a listing's folder into `scratch.hookPath` (for the hooks: slow when deep).
    void hookPathOf(const Listing& listing, Scratch& scratch) const;
    [[nodiscard]] bool stopping(std::size_t entryIndex) const;
    // The listing itself near the root, else its ancestor at kNearDepth.
    [[nodiscard]] static const Listing* nearAncestor(const Listing& listing) {
        return listing.depth <= kNearDepth ? &listing : listing.near;
    }
    // Notes a folder met deeper than kNearDepth; false when it was met before in this scan.
    [[nodiscard]] bool noteFolder(std::int32_t device, std::uint64_t inode);
    [[nodiscard]] bool isOwnAncestor(const Listing& listing, const FileStatus& status);

    Root m_root;
    const ScanFileSystem* m_hooks;
    const bool m_hookPaths; // a hook takes the paths of the entries (slow to make when deep)
    const CancellationFlag& m_cancellation;
    const unsigned m_maxWorkers;
    const std::size_t m_readAhead;
    ListingMemory& m_memory;
    ListingPtr m_rootListing;
    Scratch m_ownScratch; // the walking thread's, when it reads a listing itself

    SpinLock m_lock;
    std::condition_variable_any m_workAvailable;
    std::condition_variable_any m_listingRead;
    std::vector<Task> m_waiting;  // listings no one reads yet, a heap: what the walk needs first on top
    std::vector<Task> m_parts;    // parts of large folders no one reads yet, a heap likewise
    unsigned m_splitListings = 0; // large folders read in parts, each holding its descriptor
    std::atomic<std::size_t> m_ahead{0}; // entries read and not yet taken by the walk
    unsigned m_idleWorkers = 0;
    unsigned m_sleeping = 0;    // workers waiting for work
    unsigned m_owedWakeUps = 0; // workers to wake once the lock is released (at most m_sleeping)
    Listing* m_awaited = nullptr;
    bool m_stop = false;
    std::atomic<bool> m_abandoned{false}; // the walk is over: workers drop what they read
    std::vector<std::thread> m_workers;
    std::mutex m_hookLock;

    const unsigned m_maxKept;        // descriptors kept for descendants at most at once
    std::atomic<unsigned> m_kept{0}; // descriptors kept now
    std::atomic<unsigned> m_lent{0}; // descriptors lent to sub-folders now (at most m_maxKept)
    struct FolderKeyHash {
        std::uint64_t operator()(const std::pair<std::int32_t, std::uint64_t>& key) const noexcept {
            return (key.second ^ (std::uint64_t(std::uint32_t(key.first)) << 40)) * 0x9E3779B97F4A7C15ull;
        }
    };
    using FolderKey = std::pair<std::int32_t, std::uint64_t>;
    using FolderSet =
        std::unordered_set<FolderKey, FolderKeyHash, std::equal_to<FolderKey>, ListingAllocator<FolderKey>>;
    // The folders met so far, in the listings' memory, in shards by key that workers add to apart.
    struct alignas(64) FolderShard {
        explicit FolderShard(ListingMemory& memory)
            : folders(16, FolderKeyHash{}, std::equal_to<FolderKey>{}, ListingAllocator<FolderKey>(&memory)) {
        }
        SpinLock lock;
        FolderSet folders;
    };
    static constexpr unsigned kFolderShardBits = 6;
    std::deque<FolderShard> m_folderShards; // never moved
};

} // namespace ambertrove
