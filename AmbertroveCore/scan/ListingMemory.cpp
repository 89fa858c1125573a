#include "scan/ListingMemory.hpp"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace ambertrove {

struct ListingMemory::Mapping {
    Mapping* next;
    std::size_t size;
};

namespace {

constexpr std::size_t kHeader = 64; // keeps the blocks after a mapping's header aligned

void* mapBytes(std::size_t size) {
    void* made = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (made == MAP_FAILED)
        throw std::bad_alloc();
    return made;
}

std::uint64_t nextId() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

} // namespace

ListingMemory::ListingMemory()
    : m_id(nextId()) {}

ListingMemory::~ListingMemory() {
    for (Mapping* list : {m_mappings, m_spare})
        for (Mapping* m = list; m;) {
            Mapping* next = m->next;
            ::munmap(m, m->size);
            m = next;
        }
}

void* ListingMemory::reuseLarge(std::size_t size) {
    // The smallest spare that holds `size` without wasting more than its own size.
    Mapping** best = nullptr;
    for (Mapping** m = &m_spare; *m; m = &(*m)->next)
        if ((*m)->size >= size && (*m)->size <= 2 * size && (!best || (*m)->size < (*best)->size))
            best = m;
    if (!best)
        return nullptr;
    Mapping* mapping = *best;
    *best = mapping->next;
    m_spareBytes -= mapping->size;
    mapping->next = nullptr;
    return mapping;
}

ListingMemory::ThreadCache& ListingMemory::cache() noexcept {
    thread_local ThreadCache cached;
    if (cached.owner != m_id) // blocks of a memory gone, or of another: forget them
        cached = ThreadCache{m_id, {}};
    return cached;
}

void* ListingMemory::carve(unsigned shift) {
    const std::size_t size = std::size_t(1) << shift;
    if (m_left < size) {
        // The rest of the newest mapping goes to the free lists in blocks it can hold.
        while (m_left >= (std::size_t(1) << kSmallestShift)) {
            const unsigned restShift = std::min<unsigned>(kLargestShift, std::bit_width(m_left) - 1);
            m_free[restShift - kSmallestShift].push(reinterpret_cast<FreeBlock*>(m_cursor));
            m_cursor += std::size_t(1) << restShift;
            m_left -= std::size_t(1) << restShift;
        }
        auto* mapping = static_cast<Mapping*>(mapBytes(kMappingSize));
        mapping->next = m_mappings;
        mapping->size = kMappingSize;
        m_mappings = mapping;
        m_cursor = reinterpret_cast<char*>(mapping) + kHeader;
        m_left = kMappingSize - kHeader;
    }
    void* block = m_cursor;
    m_cursor += size;
    m_left -= size;
    return block;
}

void* ListingMemory::allocate(std::size_t bytes) {
    const unsigned shift = std::max<unsigned>(kSmallestShift, std::bit_width((bytes - 1) | 1));
    if (shift > kLargestShift) {
        // A large block is a mapping of its own, unmapped when freed.
        const std::size_t size = (bytes + kHeader + 4095) & ~std::size_t(4095);
        void* reused = nullptr;
        {
            std::lock_guard lock(m_lock);
            reused = reuseLarge(size);
        }
        if (reused)
            return static_cast<char*>(reused) + kHeader;
        auto* mapping = static_cast<Mapping*>(mapBytes(size));
        mapping->next = nullptr;
        mapping->size = size;
        return reinterpret_cast<char*>(mapping) + kHeader;
    }
    FreeList& shared = m_free[shift - kSmallestShift];
    if (shift > kCachedShift) {
        std::lock_guard lock(m_lock);
        return shared.head ? shared.pop() : carve(shift);
    }
    FreeList& local = cache().lists[shift - kSmallestShift];
    if (!local.head) {
        std::lock_guard lock(m_lock);
        while (local.count < kBatch && shared.head)
            local.push(shared.pop());
        while (local.count < kBatch)
            local.push(static_cast<FreeBlock*>(carve(shift)));
    }
    return local.pop();
}

void ListingMemory::discard(void* block, std::size_t bytes, std::size_t used, std::size_t from) noexcept {
    const unsigned shift = std::max<unsigned>(kSmallestShift, std::bit_width((bytes - 1) | 1));
    if (!block || shift <= kLargestShift)
        return; // blocks that share a mapping are small: not worth it
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    // The bytes before `from` are given up as well: the page across it goes too, but never the page of
    // the mapping's header, before the block.
    const std::uintptr_t first = std::max((start + page - 1) & ~(page - 1), (start + from) & ~(page - 1));
    const std::uintptr_t last = (start + std::min(used, bytes)) & ~(page - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

void ListingMemory::deallocate(void* block, std::size_t bytes) noexcept {
    if (!block)
        return;
    const unsigned shift = std::max<unsigned>(kSmallestShift, std::bit_width((bytes - 1) | 1));
    if (shift > kLargestShift) {
        auto* mapping = reinterpret_cast<Mapping*>(static_cast<char*>(block) - kHeader);
        {
            std::lock_guard lock(m_lock);
            if (m_spareBytes + mapping->size <= kSpareBytes) {
                mapping->next = m_spare;
                m_spare = mapping;
                m_spareBytes += mapping->size;
                return;
            }
        }
        ::munmap(mapping, mapping->size);
        return;
    }
    FreeList& shared = m_free[shift - kSmallestShift];
    if (shift > kCachedShift) {
        std::lock_guard lock(m_lock);
        shared.push(static_cast<FreeBlock*>(block));
        return;
    }
    FreeList& local = cache().lists[shift - kSmallestShift];
    local.push(static_cast<FreeBlock*>(block));
    if (local.count >= 2 * kBatch) {
        std::lock_guard lock(m_lock);
        while (local.count > kBatch)
            shared.push(local.pop());
    }
}

} // namespace ambertrove
