#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#ifdef __linux__
#include <sys/mman.h>
#endif
#include <type_traits>
#include <utility>

namespace ambertrove {

// A growable array of plain records. A large array is a mapping of its own that grows and shrinks by
// moving its pages, so an array of millions of records is never copied (nor its memory touched afresh)
// when it doubles or is trimmed to size; the C library's realloc copies blocks below its mapping
// threshold, which it raises to 32 MiB as soon as a large block is freed.
template <class T> class RecordArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    RecordArray() = default;
    RecordArray(const RecordArray& other) {
        reallocate(other.m_size);
        if (other.m_size)
            std::memcpy(static_cast<void*>(m_data), other.m_data, other.m_size * sizeof(T));
        m_size = other.m_size;
    }
    RecordArray(RecordArray&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr))
        , m_size(std::exchange(other.m_size, 0))
        , m_capacity(std::exchange(other.m_capacity, 0))
        , m_mappedBytes(std::exchange(other.m_mappedBytes, 0)) {}
    RecordArray& operator=(const RecordArray& other) {
        if (this != &other) {
            RecordArray copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    RecordArray& operator=(RecordArray&& other) noexcept {
        if (this != &other) {
            release();
            m_data = std::exchange(other.m_data, nullptr);
            m_size = std::exchange(other.m_size, 0);
            m_capacity = std::exchange(other.m_capacity, 0);
            m_mappedBytes = std::exchange(other.m_mappedBytes, 0);
        }
        return *this;
    }
    ~RecordArray() { release(); }

    [[nodiscard]] std::size_t size() const { return m_size; }
    [[nodiscard]] std::size_t capacity() const { return m_capacity; }
    [[nodiscard]] bool empty() const { return m_size == 0; }
    [[nodiscard]] T* data() { return m_data; }
    [[nodiscard]] const T* data() const { return m_data; }
    [[nodiscard]] T& operator[](std::size_t i) { return m_data[i]; }
    [[nodiscard]] const T& operator[](std::size_t i) const { return m_data[i]; }
    [[nodiscard]] T* begin() { return m_data; }
    [[nodiscard]] T* end() { return m_data + m_size; }
    [[nodiscard]] const T* begin() const { return m_data; }
    [[nodiscard]] const T* end() const { return m_data + m_size; }

    void reserve(std::size_t n) {
        if (n > m_capacity)
            reallocate(n);
    }
    void shrink_to_fit() {
        if (m_size < m_capacity)
            reallocate(m_size);
    }
    void push_back(const T& value) {
        const T copy = value; // `value` may live in this array
        if (m_size == m_capacity)
            reallocate(m_capacity < 16 ? 16 : m_capacity * 2);
        m_data[m_size++] = copy;
    }
    // Exactly `n` copies of `value`.
    void assign(std::size_t n, const T& value) {
        RecordArray fresh;
        fresh.reallocate(n);
        std::fill_n(fresh.m_data, n, value);
        fresh.m_size = n;
        *this = std::move(fresh);
    }
    // Appends `n` records (which must not live in this array).
    void append(const T* values, std::size_t n) {
        if (n == 0)
            return;
        if (m_size + n > m_capacity) {
            std::size_t grown = m_capacity < 16 ? 16 : m_capacity * 2;
            while (grown < m_size + n)
                grown *= 2;
            reallocate(grown);
        }
        std::memcpy(static_cast<void*>(m_data + m_size), values, n * sizeof(T));
        m_size += n;
    }
    T& emplace_back() {
        push_back(T{});
        return m_data[m_size - 1];
    }

private:
    // Arrays from this size on are mappings of their own.
    static constexpr std::size_t kMappedBytes = std::size_t(1) << 20;
    static constexpr std::size_t kPage = 4096;

    void release() noexcept {
#ifdef __linux__
        if (m_mappedBytes) {
            ::munmap(static_cast<void*>(m_data), m_mappedBytes);
            m_mappedBytes = 0;
            m_data = nullptr;
            return;
        }
#endif
        std::free(static_cast<void*>(m_data));
        m_data = nullptr;
    }

    void reallocate(std::size_t n) {
        if (n > SIZE_MAX / sizeof(T))
            throw std::bad_alloc();
        const std::size_t bytes = n * sizeof(T);
        if (n == 0) {
            release();
        }
#ifdef __linux__
        else if (bytes >= kMappedBytes) {
            const std::size_t mapped = (bytes + kPage - 1) & ~(kPage - 1);
            void* block;
            if (m_mappedBytes) {
                block = ::mremap(static_cast<void*>(m_data), m_mappedBytes, mapped, MREMAP_MAYMOVE);
                if (block == MAP_FAILED)
                    throw std::bad_alloc();
            } else {
                block = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
                if (block == MAP_FAILED)
                    throw std::bad_alloc();
                if (m_size)
                    std::memcpy(block, static_cast<const void*>(m_data), std::min(m_size, n) * sizeof(T));
                std::free(static_cast<void*>(m_data));
            }
            m_data = static_cast<T*>(block);
            m_mappedBytes = mapped;
            preferLargePages(block, mapped);
        } else if (m_mappedBytes) {
            void* block = std::malloc(bytes);
            if (!block)
                throw std::bad_alloc();
            std::memcpy(block, static_cast<const void*>(m_data), std::min(m_size, n) * sizeof(T));
            release();
            m_data = static_cast<T*>(block);
        }
#endif
        else {
            void* grown = std::realloc(static_cast<void*>(m_data), bytes);
            if (!grown)
                throw std::bad_alloc();
            m_data = static_cast<T*>(grown);
        }
        m_capacity = n;
    }

    // Millions of records are millions of first touches of fresh memory: in large pages they cost a
    // fraction of the page faults (and of the address translations later). The whole mapping is marked,
    // so that it stays one piece that mremap can move.
    static void preferLargePages(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        ::madvise(data, bytes, MADV_HUGEPAGE);
#else
        (void)data;
        (void)bytes;
#endif
    }

    T* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    std::size_t m_mappedBytes = 0; // of the mapping the array lives in; 0 when it is the C library's
};

} // namespace ambertrove
