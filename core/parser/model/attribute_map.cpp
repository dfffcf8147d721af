#include "velmora/model/attribute_map.hpp"

#include <cstring>

#include "parser/model/keyed_hash.hpp"

namespace velmora {

std::uint64_t AttributeMap::hash(std::string_view key) {
  // Keyed per process: keys come from the input, and an unkeyed hash would
  // let a crafted file put every key into one probe run.
  return keyed_hash(key);
}

std::size_t AttributeMap::probe(std::string_view key, std::uint64_t h) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = static_cast<std::size_t>(h) & mask;
  while (slots_[i] != 0) {
    const Entry &e = entries_[slots_[i] - 1];
    if (e.key.size() == key.size() && e.key == key) return i;
    i = (i + 1) & mask;
  }
  return i;
}

void AttributeMap::rehash(std::size_t slot_count) {
  slots_.assign(slot_count, 0);
  for (std::size_t idx = 0; idx < size_; ++idx) {
    std::size_t s = probe(entries_[idx].key, hash(entries_[idx].key));
    slots_[s] = static_cast<std::uint32_t>(idx + 1);
  }
}

std::size_t AttributeMap::slot_for_insert(std::string_view key) {
  // Keep the load factor at or below one half.
  if ((size_ + 1) * 2 > slots_.size()) rehash(slots_.empty() ? 16 : slots_.size() * 2);
  return probe(key, hash(key));
}

void AttributeMap::reserve(std::size_t n) {
  entries_.reserve(n);
  std::size_t want = 16;
  while (want < n * 2) want *= 2;
  if (slots_.size() < want) rehash(want);
}

AttributeMap::Entry *AttributeMap::locate(std::string_view key) const {
  if (slots_.empty()) return nullptr;
  std::size_t s = probe(key, hash(key));
  if (slots_[s] == 0) return nullptr;
  return const_cast<Entry *>(&entries_[slots_[s] - 1]);
}

const std::string *AttributeMap::find(std::string_view key) const {
  Entry *e = locate(key);
  return e ? &e->value : nullptr;
}

std::string *AttributeMap::find(std::string_view key) {
  Entry *e = locate(key);
  return e ? &e->value : nullptr;
}

void AttributeMap::insert(std::string &&key, std::string &&value) {
  std::size_t s = slot_for_insert(key);
  if (slots_[s] != 0) {
    entries_[slots_[s] - 1].value = std::move(value);
    return;
  }
  if (size_ < entries_.size()) {
    entries_[size_] = Entry{std::move(key), std::move(value)};
  } else {
    entries_.push_back(Entry{std::move(key), std::move(value)});
  }
  slots_[s] = static_cast<std::uint32_t>(++size_);
}

void AttributeMap::insert(std::string_view key, std::string_view value) {
  std::size_t s = slot_for_insert(key);
  if (slots_[s] != 0) {
    entries_[slots_[s] - 1].value.assign(value);
    return;
  }
  if (size_ < entries_.size()) {
    Entry &reused = entries_[size_];
    reused.key.assign(key);
    reused.value.assign(value);
  } else {
    entries_.push_back(Entry{std::string(key), std::string(value)});
  }
  slots_[s] = static_cast<std::uint32_t>(++size_);
}

std::vector<AttributeMap::Entry> AttributeMap::take_entries() {
  std::vector<Entry> out = std::move(entries_);
  out.resize(size_);
  entries_.clear();
  clear();
  return out;
}

void AttributeMap::clear() {
  size_ = 0;
  // A map that once held an outsized section gives its room back, so that
  // clearing it for each later section costs no more than a small map does.
  if (slots_.size() > kRetainedSlots) {
    std::vector<std::uint32_t>().swap(slots_);
  } else {
    std::fill(slots_.begin(), slots_.end(), 0u);
  }
  if (entries_.size() > kRetainedEntries) {
    entries_.resize(kRetainedEntries);
    entries_.shrink_to_fit();
  }
}

} // namespace velmora
