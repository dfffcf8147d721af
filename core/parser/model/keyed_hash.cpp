#include "parser/model/keyed_hash.hpp"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace velmora {

namespace {

// Calls `next` for the missing bytes until they are all there; a call
// interrupted by a signal is repeated, any other failure ends the loop.
template <class Source> bool fill(unsigned char *out, std::size_t size, Source next) {
  std::size_t got = 0;
  while (got < size) {
    ssize_t n = next(out + got, size - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (!(n < 0 && errno == EINTR)) {
      return false;
    }
  }
  return true;
}

// Fills the buffer from getrandom(2), or from /dev/urandom where that
// system call is missing or refused.
bool os_random(unsigned char *out, std::size_t size) {
  if (fill(out, size, [](unsigned char *p, std::size_t n) { return getrandom(p, n, 0); })) {
    return true;
  }
  int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fill(out, size, [fd](unsigned char *p, std::size_t n) { return read(fd, p, n); });
  close(fd);
  return ok;
}

// Without any source of randomness the key is still unknown to a remote
// sender: the clock, the process id and the addresses that address-space
// layout randomisation places, mixed by the hash itself.
SipKey weak_key() {
  const std::uint64_t material[] = {
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()),
      static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()),
      static_cast<std::uint64_t>(getpid()),
      reinterpret_cast<std::uintptr_t>(&material),
      reinterpret_cast<std::uintptr_t>(&weak_key),
  };
  const SipKey seed{0x9E3779B97F4A7C15ull, 0xD1B54A32D192ED03ull};
  const std::uint64_t a = siphash<2, 4>(seed, material, sizeof material);
  const std::uint64_t b = siphash<2, 4>(SipKey{a, ~a}, material, sizeof material);
  return SipKey{a, b};
}

SipKey draw_key() {
  unsigned char bytes[16];
  if (!os_random(bytes, sizeof bytes)) return weak_key();
  SipKey key;
  std::memcpy(&key.k0, bytes, 8);
  std::memcpy(&key.k1, bytes + 8, 8);
  return key;
}

} // namespace

const SipKey &process_sip_key() {
  static const SipKey key = draw_key();
  return key;
}

} // namespace velmora
