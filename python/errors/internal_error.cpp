#include "errors/internal_error.hpp"

#include "once_cell.hpp"

namespace velmora_py {

namespace {
OnceCell internal_error_cell;
} // namespace

PyObject *internal_error_type() {
  return internal_error_cell.get([] {
    return PyErr_NewExceptionWithDoc("velmora_py.InternalError",
                                     "A broken invariant inside velmora_py.", PyExc_BaseException,
                                     nullptr);
  });
}

PyObject *raise_internal_error(const char *description) {
  if (PyErr_Occurred() && PyErr_ExceptionMatches(PyExc_MemoryError)) return nullptr;
  PyErr_Clear();
  PyObject *type = internal_error_type();
  if (type != nullptr) PyErr_SetString(type, description);
  return nullptr;
}

PyObject *raise_reentered_first_use() {
  constexpr const char *kDescription = "a process-wide value was asked for while being created";
  if (internal_error_cell.filled_by_this_thread()) {
    PyErr_SetString(PyExc_SystemError, kDescription);
    return nullptr;
  }
  return raise_internal_error(kDescription);
}

} // namespace velmora_py
