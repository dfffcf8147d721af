#include "convert/creation_failure.hpp"

#include "errors/internal_error.hpp"

namespace velmora_py {

PyObject *raise_creation_failure(const char *description) {
  // A pending MemoryError would otherwise be kept, and it is an ordinary
  // Exception that `except Exception` handlers swallow.
  PyErr_Clear();
  return raise_internal_error(description);
}

PyObject *raise_out_of_memory() {
  PyErr_Clear();
  return PyErr_NoMemory();
}

} // namespace velmora_py
