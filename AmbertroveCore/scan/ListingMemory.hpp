#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>

namespace ambertrove {

// The memory of the folder listings of one scan, mapped from the system in large pieces and given back
// whole when the scan ends. Listings are read on worker threads and freed on the walking thread; memory
// the allocator took for a worker thread would stay with that thread's heap once the scan is over.
// Blocks are kept by size (powers of two) and reused within the scan. Thread-safe.
class ListingMemory {
public:
    ListingMemory() = default;
    ~ListingMemory();
    ListingMemory(const ListingMemory&) = delete;
    ListingMemory& operator=(const ListingMemory&) = delete;

    // Throws std::bad_alloc.
    [[nodiscard]] void* allocate(std::size_t bytes);
    void deallocate(void* block, std::size_t bytes) noexcept;

private:
    static constexpr unsigned kSmallestShift = 5; // 32 bytes
    static constexpr unsigned kLargestShift = 18; // 256 KiB; larger blocks are mappings of their own
    static constexpr std::size_t kMappingSize = 2 << 20;

    struct Mapping; // a header at the start of every mapping, chaining them
    struct FreeBlock {
        FreeBlock* next;
    };

    // Held for a few instructions at a time, by many threads: spinning costs less than sleeping.
    class SpinLock {
    public:
        void lock() noexcept {
            while (m_held.exchange(true, std::memory_order_acquire))
                while (m_held.load(std::memory_order_relaxed))
                    relax();
        }
        void unlock() noexcept { m_held.store(false, std::memory_order_release); }

    private:
        static void relax() noexcept {
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#elif defined(__aarch64__)
            asm volatile("yield");
#endif
        }
        std::atomic<bool> m_held{false};
    };

    SpinLock m_lock;
    FreeBlock* m_free[kLargestShift - kSmallestShift + 1] = {};
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
