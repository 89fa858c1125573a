#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace ambertrove {

// A growable array of plain records that grows and shrinks with realloc. For large arrays the C library
// moves the pages instead of copying them, so an array of millions of records is not copied (and its
// memory not touched afresh) each time it doubles or when it is trimmed to size.
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
        , m_capacity(std::exchange(other.m_capacity, 0)) {}
    RecordArray& operator=(const RecordArray& other) {
        if (this != &other) {
            RecordArray copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    RecordArray& operator=(RecordArray&& other) noexcept {
        if (this != &other) {
            std::free(m_data);
            m_data = std::exchange(other.m_data, nullptr);
            m_size = std::exchange(other.m_size, 0);
            m_capacity = std::exchange(other.m_capacity, 0);
        }
        return *this;
    }
    ~RecordArray() { std::free(m_data); }

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
    void reallocate(std::size_t n) {
        if (n == 0) {
            std::free(m_data);
            m_data = nullptr;
        } else {
            void* grown = std::realloc(static_cast<void*>(m_data), n * sizeof(T));
            if (!grown)
                throw std::bad_alloc();
            m_data = static_cast<T*>(grown);
        }
        m_capacity = n;
    }

    T* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace ambertrove
