#pragma once
// A vector of trivially copyable values that grows with realloc. Large blocks then move by
// remapping pages instead of being copied, and shrinking never copies: this matters when a
// retrieval appends millions of items to a column.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace sparestock::grid {

template <class T>
class PodVector {
  static_assert(std::is_trivially_copyable_v<T>, "PodVector holds plain values only");

 public:
  PodVector() = default;
  ~PodVector() { std::free(data_); }
  PodVector(const PodVector& other) { *this = other; }
  PodVector(PodVector&& other) noexcept { swap(other); }
  PodVector& operator=(const PodVector& other) {
    if (this != &other) {
      clear();
      reserve(other.size_);
      if (other.size_) std::memcpy(data_, other.data_, other.size_ * sizeof(T));
      size_ = other.size_;
    }
    return *this;
  }
  PodVector& operator=(PodVector&& other) noexcept {
    swap(other);
    return *this;
  }
  void swap(PodVector& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  size_t capacity() const { return capacity_; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](size_t i) { return data_[i]; }
  const T& operator[](size_t i) const { return data_[i]; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

  void push_back(const T& v) {
    if (size_ == capacity_) reallocate(std::max<size_t>(16, capacity_ * 2));
    data_[size_++] = v;
  }
  void resize(size_t n, const T& fill = T()) {
    if (n > capacity_) reallocate(std::max(n, capacity_ * 2));
    if (n > size_) {
      if constexpr (sizeof(T) == 1)
        std::memset(data_ + size_, static_cast<unsigned char>(fill), n - size_);
      else
        std::fill(data_ + size_, data_ + n, fill);
    }
    size_ = n;
  }
  void assign(size_t n, const T& fill) {
    size_ = 0;
    resize(n, fill);
  }
  void reserve(size_t n) {
    if (n > capacity_) reallocate(n);
  }
  void clear() { size_ = 0; }
  void shrink_to_fit() {
    if (capacity_ > size_) reallocate(size_);
  }

 private:
  void reallocate(size_t n) {
    if (n == 0) {
      std::free(data_);
      data_ = nullptr;
      capacity_ = 0;
      return;
    }
    void* p = std::realloc(data_, n * sizeof(T));
    if (!p) throw std::bad_alloc();
    data_ = static_cast<T*>(p);
    capacity_ = n;
  }

  T* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace sparestock::grid
