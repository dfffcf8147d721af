#include "errors/internal_error.hpp"

#include "once_cell.hpp"

namespace velmora_py {

PyObject *internal_error_type() {
  static OnceCell cell;
  return cell.get([] {
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

} // namespace velmora_py
