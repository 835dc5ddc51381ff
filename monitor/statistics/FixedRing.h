#pragma once

#include <array>
#include <cassert>
#include <cstddef>

// A queue of at most N values in a fixed array, open at both ends: the
// statistics of a slot push and drop values on every echo and must never
// allocate for it.
template <typename T, std::size_t N>
class FixedRing {
public:
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    bool full() const { return m_size == N; }

    // Position 0 is the oldest value.
    T& operator[](std::size_t position) { return m_values[(m_head + position) % N]; }
    const T& operator[](std::size_t position) const { return m_values[(m_head + position) % N]; }
    const T& front() const { return (*this)[0]; }
    const T& back() const { return (*this)[m_size - 1]; }

    void push_back(const T& value)
    {
        assert(!full());
        m_values[(m_head + m_size) % N] = value;
        ++m_size;
    }
    void pop_front()
    {
        assert(!empty());
        m_head = (m_head + 1) % N;
        --m_size;
    }
    void pop_back()
    {
        assert(!empty());
        --m_size;
    }
    void clear()
    {
        m_head = 0;
        m_size = 0;
    }

private:
    std::array<T, N> m_values{};
    std::size_t m_head = 0;
    std::size_t m_size = 0;
};
