#pragma once

// A growable array that keeps its first N elements inside the object, so the
// engine's per-word buffers need no heap for words up to that length. Past
// it the elements move to the heap, and that storage is kept for later words.

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <type_traits>

namespace halvora::engine {

template <class T, std::size_t N>
class SmallBuffer {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    SmallBuffer() = default;
    SmallBuffer(const SmallBuffer& other) { assign(other.data(), other.size()); }
    SmallBuffer& operator=(const SmallBuffer& other) {
        if (this != &other) {
            assign(other.data(), other.size());
        }
        return *this;
    }
    ~SmallBuffer() = default;

    T* data() { return data_; }
    const T* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    T& back() { return data_[size_ - 1]; }
    const T& back() const { return data_[size_ - 1]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

    void clear() { size_ = 0; }
    void push_back(T value) {
        if (size_ == capacity_) [[unlikely]] {
            grow(size_ + 1);
        }
        data_[size_++] = value;
    }
    void pop_back() { --size_; }
    void resize(std::size_t n) {
        if (n > capacity_) [[unlikely]] {
            grow(n);
        }
        size_ = n;
    }
    void assign(const T* values, std::size_t n) {
        size_ = 0;
        append(values, n);
    }
    void append(const T* values, std::size_t n) {
        if (size_ + n > capacity_) [[unlikely]] {
            grow(size_ + n);
        }
        std::copy_n(values, n, data_ + size_);
        size_ += n;
    }

  private:
    // Out of line: rare, and keeping it out keeps the callers' fast paths short.
    [[gnu::noinline]] void grow(std::size_t needed) {
        const std::size_t capacity = std::max(needed, capacity_ * 2);
        auto heap = std::make_unique_for_overwrite<T[]>(capacity);
        std::copy_n(data_, size_, heap.get());
        heap_ = std::move(heap);
        data_ = heap_.get();
        capacity_ = capacity;
    }

    std::array<T, N> inline_;
    std::unique_ptr<T[]> heap_;
    T* data_ = inline_.data();
    std::size_t size_ = 0;
    std::size_t capacity_ = N;
};

}  // namespace halvora::engine
