#include "convert/getter_table.hpp"

namespace velmora_py {

bool GetterTable::install(PyTypeObject *type, std::span<const PyGetSetDef> getset,
                          getattrofunc getattro) {
  for (const PyGetSetDef &def : getset) {
    if (def.name == nullptr) break;
    PyObject *name = PyUnicode_InternFromString(def.name);
    if (name == nullptr) return false;
    std::size_t i = bucket(name);
    while (entries_[i].name != nullptr && entries_[i].name != name) i = (i + 1) % kSize;
    if (entries_[i].name != nullptr)
      Py_DECREF(name); // listed twice: the first one wins
    else
      entries_[i] = Entry{name, def.get};
  }
  // Set on the type object rather than declared as a slot, so that the
  // class gains no __getattribute__ of its own in its __dict__.
  type->tp_getattro = getattro;
  PyType_Modified(type);
  return true;
}

PyObject *install_getters(PyObject *type, GetterTable &table, std::span<const PyGetSetDef> getset,
                          getattrofunc getattro) {
  if (type != nullptr && !table.install(reinterpret_cast<PyTypeObject *>(type), getset, getattro))
    Py_CLEAR(type);
  return type;
}

} // namespace velmora_py
