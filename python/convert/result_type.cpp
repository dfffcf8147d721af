#include "convert/result_type.hpp"

#include <cstring>

namespace velmora_py {

PyObject *create_result_type(PyType_Spec &spec) {
  PyObject *type = PyType_FromSpec(&spec);
  if (type == nullptr) return nullptr;
  // The interpreter keeps its own copy of the dotted name for __module__
  // and __name__; tp_name only feeds messages and may point at the static
  // tail of the PyType_Spec's name.
  reinterpret_cast<PyTypeObject *>(type)->tp_name = std::strrchr(spec.name, '.') + 1;
  return type;
}

} // namespace velmora_py
