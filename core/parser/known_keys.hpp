#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "velmora/model/document.hpp"
#include "velmora/model/exchange_keys.hpp"
#include "velmora/model/interval.hpp"

namespace velmora {

// What a key means to the reader: the document field and the interval field
// it supplies, and whether it is the account number. Most keys mean none.
struct KnownKey {
  static constexpr std::uint8_t kNone = 0xFF;
  std::uint8_t document_field = kNone;
  std::uint8_t interval_field = kNone;
  bool account_number = false;
};

namespace known_keys_detail {

#include "parser/known_key_hash.inc"

// Up to eight bytes, the first in the lowest byte.
constexpr std::uint64_t load_word(const char *p, std::size_t n) {
  if !consteval {
    if constexpr (std::endian::native == std::endian::little) {
      if (n == 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        return word;
      }
    }
  }
  std::uint64_t word = 0;
  for (std::size_t i = 0; i < n; ++i) {
    word |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  }
  return word;
}

// The key's first and last eight bytes and its length, multiplied and
// shifted: tools/gen_key_hash.py picks the multiplier that gives every
// known key a slot of its own (and computes the same function).
constexpr std::size_t slot_of(std::string_view key) {
  std::uint64_t front;
  std::uint64_t back;
  if (key.size() >= 8) {
    front = load_word(key.data(), 8);
    back = load_word(key.data() + key.size() - 8, 8);
  } else {
    front = back = load_word(key.data(), key.size());
  }
  const std::uint64_t mixed = front ^ std::rotl(back, 31) ^ key.size();
  return static_cast<std::size_t>((mixed * kKnownKeyMultiplier) >> (64 - kKnownKeySlotBits));
}

// Equality of two texts of the same length n, a word at a time.
constexpr bool same_bytes(const char *a, const char *b, std::size_t n) {
  if consteval {
    return std::string_view(a, n) == std::string_view(b, n);
  }
  if (n < 8) return std::memcmp(a, b, n) == 0;
  std::size_t i = 0;
  for (; i + 8 < n; i += 8) {
    if (load_word(a + i, 8) != load_word(b + i, 8)) return false;
  }
  return load_word(a + n - 8, 8) == load_word(b + n - 8, 8);
}

} // namespace known_keys_detail

// The keys of the field definition (document and interval keys) and the
// account number key, found with one hash and one comparison.
class KnownKeys {
public:
  static constexpr std::size_t kSlots = std::size_t{1} << known_keys_detail::kKnownKeySlotBits;
  static constexpr std::size_t kCapacity = kDocumentFieldCount + kIntervalFieldCount + 1;

  consteval KnownKeys() {
    slots_.fill(kEmpty);
    for (std::size_t i = 0; i < kDocumentFieldCount; ++i)
      entry(kDocumentFields[i].key).document_field = static_cast<std::uint8_t>(i);
    for (std::size_t i = 0; i < kIntervalFieldCount; ++i)
      entry(kIntervalFields[i].key).interval_field = static_cast<std::uint8_t>(i);
    entry(kAccountNumberKey).account_number = true;
  }

  // False when two keys share a slot: the generated multiplier is stale.
  constexpr bool perfect() const { return perfect_; }
  constexpr std::size_t size() const { return count_; }

  constexpr KnownKey find(std::string_view key) const {
    const std::uint8_t at = slots_[known_keys_detail::slot_of(key)];
    if (at == kEmpty) return {};
    const Entry &e = entries_[at];
    if (e.key.size() != key.size() ||
        !known_keys_detail::same_bytes(e.key.data(), key.data(), key.size())) {
      return {};
    }
    return e.meaning;
  }

private:
  static constexpr std::uint8_t kEmpty = 0xFF;
  struct Entry {
    std::string_view key;
    KnownKey meaning;
  };

  // The entry of key, made on first mention.
  constexpr KnownKey &entry(std::string_view key) {
    const std::size_t slot = known_keys_detail::slot_of(key);
    if (slots_[slot] != kEmpty) {
      Entry &there = entries_[slots_[slot]];
      if (there.key == key) return there.meaning;
      perfect_ = false;
    }
    entries_[count_] = Entry{key, {}};
    slots_[slot] = static_cast<std::uint8_t>(count_);
    return entries_[count_++].meaning;
  }

  std::array<Entry, kCapacity> entries_{};
  std::array<std::uint8_t, kSlots> slots_{};
  std::size_t count_ = 0;
  bool perfect_ = true;
};

inline constexpr KnownKeys kKnownKeys;
static_assert(kKnownKeys.perfect(), "known keys collide: run tools/gen_key_hash.py");
static_assert(kKnownKeys.size() == KnownKeys::kCapacity);

// The document field of the key that opens a document section.
inline constexpr std::uint8_t kDocumentTypeField =
    kKnownKeys.find(kDocumentBeginKey).document_field;

} // namespace velmora
