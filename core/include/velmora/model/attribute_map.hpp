#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora {

// An insertion-ordered map from key text to value text with unique keys.
// Inserting a key that is present keeps its position and replaces its value.
// Entries live in a vector in insertion order; an open-addressing table of
// entry indices beside it makes lookups hashed.
class AttributeMap {
public:
  struct Entry {
    std::string key;
    std::string value;
  };

  AttributeMap() = default;
  AttributeMap(const AttributeMap &) = default;
  AttributeMap &operator=(const AttributeMap &) = default;
  // A moved-from map is empty, like a moved-from vector.
  AttributeMap(AttributeMap &&other) noexcept
      : entries_(std::move(other.entries_)), size_(std::exchange(other.size_, 0)),
        slots_(std::move(other.slots_)) {}
  AttributeMap &operator=(AttributeMap &&other) noexcept {
    entries_ = std::move(other.entries_);
    size_ = std::exchange(other.size_, 0);
    slots_ = std::move(other.slots_);
    other.entries_.clear();
    other.slots_.clear();
    return *this;
  }

  void insert(std::string_view key, std::string_view value);
  void insert(std::string &&key, std::string &&value);
  // Literals would otherwise match both overloads above equally well.
  void insert(const char *key, const char *value) {
    insert(std::string_view(key), std::string_view(value));
  }

  const std::string *find(std::string_view key) const;
  std::string *find(std::string_view key);
  bool contains(std::string_view key) const { return find(key) != nullptr; }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Empties the map. The room of a usual section is kept for the next one;
  // that of a larger map is released.
  void clear();
  // Room kept by clear(): slots for kRetainedEntries at the load limit, and
  // that many entries whose key buffers the next section reuses.
  static constexpr std::size_t kRetainedEntries = 128;
  static constexpr std::size_t kRetainedSlots = 2 * kRetainedEntries;
  std::size_t slot_count() const { return slots_.size(); }
  std::size_t retained_entries() const { return entries_.size(); }
  // Moves the entries out in insertion order and leaves the map empty.
  std::vector<Entry> take_entries();
  void reserve(std::size_t n);

  // Mutable access lets a consumer move values out; keys must not change.
  std::span<Entry> entries() { return {entries_.data(), size_}; }
  std::span<const Entry> entries() const { return {entries_.data(), size_}; }
  auto begin() const { return entries_.cbegin(); }
  auto end() const { return entries_.cbegin() + static_cast<std::ptrdiff_t>(size_); }

  friend bool operator==(const AttributeMap &a, const AttributeMap &b) {
    return a.size_ == b.size_ &&
           std::equal(a.begin(), a.end(), b.begin(), [](const Entry &x, const Entry &y) {
             return x.key == y.key && x.value == y.value;
           });
  }

private:
  static std::uint64_t hash(std::string_view key);
  // Slot in slots_ holding key's entry, or the empty slot where it belongs.
  std::size_t probe(std::string_view key, std::uint64_t h) const;
  // Makes room for one more entry, then probes: one hash per insertion.
  std::size_t slot_for_insert(std::string_view key);
  void rehash(std::size_t slot_count);
  Entry *locate(std::string_view key) const;

  // The first size_ entries are the map's; clear() keeps up to
  // kRetainedEntries of the rest, so that the next section reuses their key
  // buffers instead of allocating anew.
  std::vector<Entry> entries_;
  std::size_t size_ = 0;
  std::vector<std::uint32_t> slots_; // entry index + 1; 0 marks an empty slot
};

} // namespace velmora
