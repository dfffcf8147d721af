#include "errors/type_messages.hpp"

namespace velmora_py {

PyObject *raise_not_instance(PyObject *obj, const char *expected) {
  if (obj == Py_None) {
    PyErr_Format(PyExc_TypeError, "'None' is not an instance of '%s'", expected);
    return nullptr;
  }
  PyObject *name = PyType_GetQualName(Py_TYPE(obj));
  const char *text = name ? PyUnicode_AsUTF8(name) : nullptr;
  if (text == nullptr) {
    PyErr_Clear();
    text = "<failed to extract type name>";
  }
  PyErr_Format(PyExc_TypeError, "'%s' object is not an instance of '%s'", text, expected);
  Py_XDECREF(name);
  return nullptr;
}

void add_parameter_note(const char *parameter) {
  PyObject *exc = PyErr_GetRaisedException();
  if (exc == nullptr) return;
  PyObject *note = PyUnicode_FromFormat("while processing '%s'", parameter);
  if (note != nullptr) {
    PyObject *r = PyObject_CallMethod(exc, "add_note", "O", note);
    if (r == nullptr) PyErr_Clear();
    Py_XDECREF(r);
    Py_DECREF(note);
  } else {
    PyErr_Clear();
  }
  PyErr_SetRaisedException(exc);
}

} // namespace velmora_py
