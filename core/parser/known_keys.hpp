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

// A key's first and last eight bytes (the same zero-padded word when it is
// shorter than eight).
struct EndWords {
  std::uint64_t front;
  std::uint64_t back;
  friend constexpr bool operator==(const EndWords &, const EndWords &) = default;
};

constexpr EndWords end_words(std::string_view key) {
  if (key.size() >= 8) return {load_word(key.data(), 8), load_word(key.data() + key.size() - 8, 8)};
  const std::uint64_t word = load_word(key.data(), key.size());
  return {word, word};
}

// The end words and the length, multiplied and shifted: tools/gen_key_hash.py
// picks the multiplier that gives every known key a slot of its own (and
// computes the same function).
constexpr std::size_t slot_of(const EndWords &words, std::size_t size) {
  const std::uint64_t mixed = words.front ^ std::rotl(words.back, 31) ^ size;
  return static_cast<std::size_t>((mixed * kKnownKeyMultiplier) >> (64 - kKnownKeySlotBits));
}

// The longest text same_middle compares whole.
inline constexpr std::size_t kMiddleCompared = 40;

// Whether two texts of the same size (up to kMiddleCompared), whose end
// words are equal, are equal: the words between the end words, read at
// offsets pulled back to stay inside the text, with no branch on the size
// beyond the shortest keys' (the end words alone cover those).
constexpr bool same_middle(const char *a, const char *b, std::size_t size) {
  if (size <= 8) return true;
  std::uint64_t differ = 0;
  for (std::size_t at : {std::size_t{8}, std::size_t{16}, std::size_t{24}}) {
    const std::size_t in = at < size - 8 ? at : size - 8;
    differ |= load_word(a + in, 8) ^ load_word(b + in, 8);
  }
  return differ == 0;
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
    for (const FieldInfo &f : kDocumentFields) fits_ = fits_ && fits(f.key);
    for (const FieldInfo &f : kIntervalFields) fits_ = fits_ && fits(f.key);
    fits_ = fits_ && fits(kAccountNumberKey);
    for (std::size_t i = 0; i < kDocumentFieldCount; ++i)
      entry(kDocumentFields[i].key).document_field = static_cast<std::uint8_t>(i);
    for (std::size_t i = 0; i < kIntervalFieldCount; ++i)
      entry(kIntervalFields[i].key).interval_field = static_cast<std::uint8_t>(i);
    entry(kAccountNumberKey).account_number = true;
  }

  // False when two keys share a slot: the generated multiplier is stale.
  constexpr bool perfect() const { return perfect_; }
  // False when a key is too long for find's comparison.
  constexpr bool comparable() const { return fits_; }
  constexpr std::size_t size() const { return count_; }

  constexpr KnownKey find(std::string_view key) const {
    const known_keys_detail::EndWords words = known_keys_detail::end_words(key);
    const std::uint8_t at = slots_[known_keys_detail::slot_of(words, key.size())];
    if (at == kEmpty) return {};
    const Entry &e = entries_[at];
    if (e.key.size() != key.size() || !(e.words == words) ||
        !known_keys_detail::same_middle(e.key.data(), key.data(), key.size())) {
      return {};
    }
    return e.meaning;
  }

private:
  static constexpr std::uint8_t kEmpty = 0xFF;
  struct Entry {
    std::string_view key;
    known_keys_detail::EndWords words;
    KnownKey meaning;
  };

  // The entry of key, made on first mention.
  constexpr KnownKey &entry(std::string_view key) {
    const known_keys_detail::EndWords words = known_keys_detail::end_words(key);
    const std::size_t slot = known_keys_detail::slot_of(words, key.size());
    if (slots_[slot] != kEmpty) {
      Entry &there = entries_[slots_[slot]];
      if (there.key == key) return there.meaning;
      perfect_ = false;
    }
    entries_[count_] = Entry{key, words, {}};
    slots_[slot] = static_cast<std::uint8_t>(count_);
    return entries_[count_++].meaning;
  }

  std::array<Entry, kCapacity> entries_{};
  std::array<std::uint8_t, kSlots> slots_{};
  static constexpr bool fits(std::string_view key) {
    return key.size() <= known_keys_detail::kMiddleCompared;
  }

  std::size_t count_ = 0;
  bool perfect_ = true;
  bool fits_ = true;
};

inline constexpr KnownKeys kKnownKeys;
static_assert(kKnownKeys.perfect(), "known keys collide: run tools/gen_key_hash.py");
static_assert(kKnownKeys.size() == KnownKeys::kCapacity);
static_assert(kKnownKeys.comparable(), "a key is longer than find compares: widen same_middle");

// The document field of the key that opens a document section.
inline constexpr std::uint8_t kDocumentTypeField =
    kKnownKeys.find(kDocumentBeginKey).document_field;

} // namespace velmora
