#include "tables/buffer_pool.hpp"

#include <array>
#include <bit>
#include <mutex>
#include <new>

namespace velmora::tables::buffer_pool {

namespace {

// Blocks come in sizes of powers of two, so that a kept block fits the
// next request of its size class; the bytes above a request are address
// space only until written.
constexpr std::size_t kClasses = 64;

std::size_t class_of(std::size_t bytes) { return std::bit_width(bytes - 1); }
std::size_t class_bytes(std::size_t c) { return std::size_t{1} << c; }

// A kept block holds the link to the next kept block of its class.
struct FreeBlock {
  FreeBlock *next;
};

struct Pool {
  std::mutex lock;
  std::array<FreeBlock *, kClasses> free{};
  std::size_t kept = 0;
};

// Never destroyed: buffers may be given back while the process exits.
Pool &pool() {
  static Pool *const instance = new Pool;
  return *instance;
}

} // namespace

void *take(std::size_t bytes) {
  const std::size_t c = class_of(bytes);
  Pool &p = pool();
  {
    std::lock_guard guard(p.lock);
    if (FreeBlock *block = p.free[c]) {
      p.free[c] = block->next;
      p.kept -= class_bytes(c);
      return block;
    }
  }
  return ::operator new(class_bytes(c));
}

void give(void *block, std::size_t bytes) noexcept {
  const std::size_t c = class_of(bytes);
  Pool &p = pool();
  {
    std::lock_guard guard(p.lock);
    if (p.kept + class_bytes(c) <= kKeptBytes) {
      p.free[c] = new (block) FreeBlock{p.free[c]};
      p.kept += class_bytes(c);
      return;
    }
  }
  ::operator delete(block);
}

std::size_t kept_bytes() {
  Pool &p = pool();
  std::lock_guard guard(p.lock);
  return p.kept;
}

} // namespace velmora::tables::buffer_pool
