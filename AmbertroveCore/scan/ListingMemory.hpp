#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>

namespace ambertrove {

// The memory of the folder listings of one scan, mapped from the system in large pieces and given back
// whole when the scan ends. Listings are read on worker threads and freed on the walking thread; memory
// the allocator took for a worker thread would stay with that thread's heap once the scan is over.
// Blocks are kept by size (powers of two) and reused within the scan. Thread-safe; each thread keeps a
// few small blocks of its own, which go with the memory when it is destroyed.
class ListingMemory {
public:
    ListingMemory();
    ~ListingMemory();
    ListingMemory(const ListingMemory&) = delete;
    ListingMemory& operator=(const ListingMemory&) = delete;

    // Throws std::bad_alloc.
    [[nodiscard]] void* allocate(std::size_t bytes);
    void deallocate(void* block, std::size_t bytes) noexcept;

private:
    static constexpr unsigned kSmallestShift = 5; // 32 bytes
    static constexpr unsigned kCachedShift = 12;  // blocks up to 4 KiB are cached by each thread
    static constexpr unsigned kLargestShift = 18; // 256 KiB; larger blocks are mappings of their own
    static constexpr unsigned kClasses = kLargestShift - kSmallestShift + 1;
    static constexpr unsigned kBatch = 32; // blocks moved between a thread's cache and the shared lists
    static constexpr std::size_t kMappingSize = 2 << 20;

    struct Mapping; // a header at the start of every mapping, chaining them
    struct FreeBlock {
        FreeBlock* next;
    };
    struct FreeList {
        FreeBlock* head = nullptr;
        unsigned count = 0;
        void push(FreeBlock* block) noexcept {
            block->next = head;
            head = block;
            ++count;
        }
        FreeBlock* pop() noexcept {
            FreeBlock* block = head;
            head = block->next;
            --count;
            return block;
        }
    };
    // Listings are made on workers and freed on the walking thread: blocks travel between threads in
    // batches, so that the shared lists are locked once for many blocks.
    struct ThreadCache {
        std::uint64_t owner = 0; // the memory the cached blocks belong to
        FreeList lists[kCachedShift - kSmallestShift + 1];
    };
    [[nodiscard]] ThreadCache& cache() noexcept;
    [[nodiscard]] void* carve(unsigned shift); // with the lock held

    const std::uint64_t m_id;
    std::mutex m_lock;
    FreeList m_free[kClasses];
    Mapping* m_mappings = nullptr;
    char* m_cursor = nullptr; // the unused rest of the newest mapping
    std::size_t m_left = 0;
};

// A standard allocator over a ListingMemory.
template <class T> struct ListingAllocator {
    using value_type = T;

    explicit ListingAllocator(ListingMemory* memory_) noexcept
        : memory(memory_) {}
    template <class U>
    ListingAllocator(const ListingAllocator<U>& other) noexcept // NOLINT: converting, as allocators are
        : memory(other.memory) {}

    [[nodiscard]] T* allocate(std::size_t n) { return static_cast<T*>(memory->allocate(n * sizeof(T))); }
    void deallocate(T* block, std::size_t n) noexcept { memory->deallocate(block, n * sizeof(T)); }

    template <class U> bool operator==(const ListingAllocator<U>& other) const noexcept {
        return memory == other.memory;
    }

    ListingMemory* memory;
};

} // namespace ambertrove
