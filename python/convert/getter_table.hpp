#pragma once

#include <Python.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace velmora_py {

// The getters of a result class by the identity of their attribute names,
// read by the class's tp_getattro before the interpreter's generic lookup.
//
// An attribute read through the class's getset descriptors goes through
// the interpreter's generic lookup: the type's attribute cache, the
// descriptor's checks and its call, about ten nanoseconds before the getter
// runs and as much as the getter itself for None or a short str. Attribute
// names in code (and the names the getset descriptors were created with)
// are interned, so one pointer comparison finds the getter. Any other name
// object, equal or not, falls through to the generic lookup, which answers
// exactly as before: the class, its __dict__ and the descriptors are
// unchanged, only the way to the same getter is shorter.
class GetterTable {
public:
  // Fills the table from a getset list (ending with an empty entry) and
  // makes `getattro`, getattr_by_table of this table, the lookup of `type`.
  // Returns false with the interpreter's error when a name cannot be
  // interned.
  bool install(PyTypeObject *type, std::span<const PyGetSetDef> getset, getattrofunc getattro);

  getter find(PyObject *name) const {
    for (std::size_t i = bucket(name);; i = (i + 1) % kSize) {
      const Entry &e = entries_[i];
      if (e.name == name) return e.get;
      if (e.name == nullptr) return nullptr;
    }
  }

private:
  // A power of two above twice the largest class (53 attributes), so that
  // probes stay short and an empty entry always ends one.
  static constexpr std::size_t kSize = 128;

  struct Entry {
    PyObject *name = nullptr; // an interned str, kept alive for good
    getter get = nullptr;
  };

  static std::size_t bucket(PyObject *name) {
    const auto bits = reinterpret_cast<std::uintptr_t>(name);
    return static_cast<std::size_t>((bits >> 4) * 0x9E3779B97F4A7C15u >> 57) % kSize;
  }

  std::array<Entry, kSize> entries_{};
};

// Installs `table` into the newly created class `type` (see
// GetterTable::install); returns the class, or nullptr with the
// interpreter's error when there is none or the table fails.
PyObject *install_getters(PyObject *type, GetterTable &table, std::span<const PyGetSetDef> getset,
                          getattrofunc getattro);

// The tp_getattro of a class whose getters `table` holds.
template <const GetterTable &table> PyObject *getattr_by_table(PyObject *self, PyObject *name) {
  if (getter get = table.find(name)) return get(self, nullptr);
  return PyObject_GenericGetAttr(self, name);
}

} // namespace velmora_py
