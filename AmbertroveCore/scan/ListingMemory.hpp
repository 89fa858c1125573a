#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <type_traits>
#include <utility>

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
    // Gives the whole pages of the first `used` bytes of a block of `bytes` back to the system, when the
    // block is a mapping of its own; they read as zeros afterwards. The block stays allocated. `from`: the
    // bytes before it were given back already.
    static void discard(void* block, std::size_t bytes, std::size_t used, std::size_t from = 0) noexcept;

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

    // Large blocks given back, kept mapped for the next large listings: their pages are already
    // present, where a fresh mapping costs a page fault for every page the listing fills.
    static constexpr std::size_t kSpareBytes = std::size_t(64) << 20;
    [[nodiscard]] void* reuseLarge(std::size_t size); // with the lock held
    Mapping* m_spare = nullptr;
    std::size_t m_spareBytes = 0;

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

// A growable array in a ListingMemory, for the entries and the names of one folder listing. It grows
// geometrically, so that a folder of any size is read in linear time. The elements the walk has passed
// can be given back to the system a page at a time (`release`): a folder of a million entries then does
// not hold its whole listing beside the nodes made of it.
template <class T> class ListingArray {
public:
    explicit ListingArray(ListingMemory* memory) noexcept
        : m_memory(memory) {}
    ~ListingArray() {
        for (std::size_t i = m_released; i < m_size; ++i)
            m_data[i].~T();
        if (m_data)
            m_memory->deallocate(m_data, m_capacity * sizeof(T));
    }
    ListingArray(const ListingArray&) = delete;
    ListingArray& operator=(const ListingArray&) = delete;

    [[nodiscard]] std::size_t size() const noexcept { return m_size; }
    [[nodiscard]] bool empty() const noexcept { return m_size == 0; }
    [[nodiscard]] T* data() noexcept { return m_data; }
    [[nodiscard]] const T* data() const noexcept { return m_data; }
    [[nodiscard]] T& operator[](std::size_t i) noexcept { return m_data[i]; }
    [[nodiscard]] const T& operator[](std::size_t i) const noexcept { return m_data[i]; }
    [[nodiscard]] T* begin() noexcept { return m_data + m_released; }
    [[nodiscard]] T* end() noexcept { return m_data + m_size; }
    // The first element not released.
    [[nodiscard]] std::size_t released() const noexcept { return m_released; }

    // Throws std::bad_alloc.
    T& emplace_back() {
        if (m_size == m_capacity)
            grow(m_size + 1);
        T* made = ::new (static_cast<void*>(m_data + m_size)) T();
        ++m_size;
        return *made;
    }

    // Room for `count` elements at least. Throws std::bad_alloc.
    void reserve(std::size_t count) {
        if (count > m_capacity)
            grow(count);
    }

    // Throws std::bad_alloc.
    void append(const T* items, std::size_t count) {
        static_assert(std::is_trivially_copyable_v<T>);
        if (m_size + count > m_capacity)
            grow(m_size + count);
        std::memcpy(m_data + m_size, items, count * sizeof(T));
        m_size += count;
    }

    // Destroys the elements not released.
    void clear() noexcept {
        for (std::size_t i = m_released; i < m_size; ++i)
            m_data[i].~T();
        m_size = m_released;
    }

    // The elements before `count` are never read or destroyed again (they must own nothing by then); the
    // whole pages they fill go back to the system. The array no longer grows after this.
    void release(std::size_t count) noexcept {
        count = std::min(count, m_size);
        if (count <= m_released)
            return;
        ListingMemory::discard(m_data, m_capacity * sizeof(T), count * sizeof(T), m_released * sizeof(T));
        m_released = count;
    }

private:
    // To the most elements that fit a power of two of bytes (the sizes ListingMemory hands out), at least
    // twice as many as before; the first block is small, since most folders are.
    void grow(std::size_t needed) {
        std::size_t bytes = 256;
        while (bytes < std::max(needed, m_capacity * 2) * sizeof(T))
            bytes *= 2;
        const std::size_t capacity = bytes / sizeof(T);
        T* fresh = static_cast<T*>(m_memory->allocate(capacity * sizeof(T)));
        // A piece at a time, each piece of the old block given back once moved: the two blocks are not
        // both resident whole.
        constexpr std::size_t piece = std::max<std::size_t>(1, (std::size_t(1) << 20) / sizeof(T));
        for (std::size_t begin = 0; begin < m_size; begin += piece) {
            const std::size_t end = std::min(m_size, begin + piece);
            if constexpr (std::is_trivially_copyable_v<T>) {
                std::memcpy(fresh + begin, m_data + begin, (end - begin) * sizeof(T));
            } else {
                for (std::size_t i = begin; i < end; ++i) {
                    ::new (static_cast<void*>(fresh + i)) T(std::move(m_data[i]));
                    m_data[i].~T();
                }
            }
            ListingMemory::discard(m_data, m_capacity * sizeof(T), end * sizeof(T), begin * sizeof(T));
        }
        if (m_data)
            m_memory->deallocate(m_data, m_capacity * sizeof(T));
        m_data = fresh;
        m_capacity = capacity;
    }

    ListingMemory* m_memory;
    T* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    std::size_t m_released = 0;
};

} // namespace ambertrove
