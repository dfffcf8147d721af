#pragma once

#include <Python.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "convert/owned_ref.hpp"
#include "parser/model/keyed_hash.hpp"

namespace velmora_py {

// The str objects of attribute keys for the hooks of one parse. The same
// few dozen keys come back in every section, so each is decoded (and its
// hash computed) once per parse instead of once per section and hook. A
// statement that invents ever new keys stops filling the table at
// kMaxKeys, and keys longer than any real one are never kept; such keys
// are made afresh on every call, so the table stays small whatever the
// input.
class KeyObjects {
public:
  static constexpr std::size_t kMaxKeys = 4096;
  static constexpr std::size_t kMaxKeyBytes = 128;

  // A new reference to the str of `key`, the attribute at `position` of
  // its section, or null with the interpreter's error pending.
  PyObject *new_ref(std::size_t position, std::string_view key);

  std::size_t size() const { return objects_.size(); }

private:
  struct Hash {
    using is_transparent = void;
    // Keyed, as the core's maps are: crafted keys cannot pile up in one
    // bucket.
    std::size_t operator()(std::string_view text) const noexcept {
      return static_cast<std::size_t>(velmora::keyed_hash(text));
    }
  };
  // The str objects hold no references, so dropping them (with the table,
  // the lock held) runs no Python code.
  std::unordered_map<std::string, OwnedRef, Hash, std::equal_to<>> objects_;
  // The key last found at each position, a view of its text in objects_
  // (whose nodes never move): sections of one statement mostly list their
  // keys in the same order, and comparing the text is cheaper than hashing.
  struct Recent {
    std::string_view text;
    PyObject *object = nullptr;
  };
  std::vector<Recent> recent_;
};

} // namespace velmora_py
