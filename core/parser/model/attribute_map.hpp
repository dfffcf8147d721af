#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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

  void insert(std::string_view key, std::string_view value);
  void insert(std::string &&key, std::string &&value);
  // Literals would otherwise match both overloads above equally well.
  void insert(const char *key, const char *value) {
    insert(std::string_view(key), std::string_view(value));
  }

  const std::string *find(std::string_view key) const;
  std::string *find(std::string_view key);
  bool contains(std::string_view key) const { return find(key) != nullptr; }

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  void clear();
  // Moves the entries out in insertion order and leaves the map empty.
  std::vector<Entry> take_entries();
  void reserve(std::size_t n);

  // Mutable access lets a consumer move values out; keys must not change.
  std::vector<Entry> &entries() { return entries_; }
  const std::vector<Entry> &entries() const { return entries_; }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

  friend bool operator==(const AttributeMap &a, const AttributeMap &b) {
    return a.entries_.size() == b.entries_.size() &&
           std::equal(a.entries_.begin(), a.entries_.end(), b.entries_.begin(),
                      [](const Entry &x, const Entry &y) {
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

  std::vector<Entry> entries_;
  std::vector<std::uint32_t> slots_; // entry index + 1; 0 marks an empty slot
};

} // namespace velmora
