#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace velmora::tables {

// Where the large buffers of columns come from. A table's buffers live
// until its consumer lets go of them, and the next file read usually needs
// as many again. A fresh large block costs the kernel a page fault and a
// cleared page for every 4 KiB written (on a virtual machine, about as much
// as filling the page with column data), so large blocks are kept when
// freed, up to kKeptBytes in all, and handed out again.
namespace buffer_pool {

// Smaller blocks come from operator new as they are asked for.
inline constexpr std::size_t kSmallestBlock = std::size_t{4} << 10;
inline constexpr std::size_t kKeptBytes = std::size_t{64} << 20;

// A block of at least `bytes` (>= kSmallestBlock); throws std::bad_alloc
// as operator new does.
void *take(std::size_t bytes);
// Gives back a block that take(bytes) returned.
void give(void *block, std::size_t bytes) noexcept;
// The bytes of the blocks kept for reuse.
std::size_t kept_bytes();

} // namespace buffer_pool

template <class T> struct BufferAllocator {
  using value_type = T;
  BufferAllocator() = default;
  template <class U> BufferAllocator(const BufferAllocator<U> &) noexcept {}

  T *allocate(std::size_t n) {
    if (n * sizeof(T) < buffer_pool::kSmallestBlock) return std::allocator<T>().allocate(n);
    return static_cast<T *>(buffer_pool::take(n * sizeof(T)));
  }
  void deallocate(T *p, std::size_t n) noexcept {
    if (n * sizeof(T) < buffer_pool::kSmallestBlock) return std::allocator<T>().deallocate(p, n);
    buffer_pool::give(p, n * sizeof(T));
  }
  friend bool operator==(const BufferAllocator &, const BufferAllocator &) { return true; }
};

// A growable buffer of column data.
template <class T> using Buffer = std::vector<T, BufferAllocator<T>>;

} // namespace velmora::tables
