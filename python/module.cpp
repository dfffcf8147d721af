#include <Python.h>

#include "convert/convert.hpp"
#include "convert/owned_ref.hpp"
#include "errors/details.hpp"
#include "errors/exceptions.hpp"
#include "errors/type_messages.hpp"
#include "parse.hpp"
#include "section_type.hpp"

namespace velmora_py {
namespace {

// The module's __all__, created as an empty list on first use.
OwnedRef all_list(PyObject *module) {
  OwnedRef all(PyObject_GetAttrString(module, "__all__"));
  if (all || !PyErr_ExceptionMatches(PyExc_AttributeError)) return all;
  PyErr_Clear();
  all.reset(PyList_New(0));
  if (all && PyObject_SetAttrString(module, "__all__", all.get()) < 0) all.reset();
  return all;
}

int add(PyObject *module, PyObject *name, PyObject *value) {
  if (value == nullptr) return -1;
  OwnedRef all = all_list(module);
  if (!all) return -1;
  if (!PyList_Check(all.get())) {
    raise_not_instance(all.get(), "list");
    return -1;
  }
  if (PyList_Append(all.get(), name) < 0) return -1;
  return PyObject_SetAttr(module, name, value);
}

int add(PyObject *module, const char *name, PyObject *value) {
  if (value == nullptr) return -1;
  OwnedRef name_object(PyUnicode_FromString(name));
  if (!name_object) return -1;
  return add(module, name_object.get(), value);
}

int add(PyObject *module, const char *name, PyTypeObject *type) {
  return add(module, name, reinterpret_cast<PyObject *>(type));
}

int add_classes(PyObject *module) {
  if (add(module, "Interval", interval_type()) < 0 || add(module, "Account", account_type()) < 0 ||
      add(module, "Document", document_type()) < 0 ||
      add(module, "Statement", statement_type()) < 0 ||
      add(module, "SectionType", section_type_type()) < 0)
    return -1;
  for (DetailKind kind : kDetailKinds)
    if (add(module, detail_name(kind), detail_type(kind)) < 0) return -1;
  return 0;
}

// The function is bound to the module object, so it takes its name from
// its own __name__ like any built-in.
int add_parse(PyObject *module) {
  OwnedRef module_name(PyModule_GetNameObject(module));
  if (!module_name) return -1;
  OwnedRef function(PyCMethod_New(parse_method_def(), module, module_name.get(), nullptr));
  if (!function) return -1;
  OwnedRef name(PyObject_GetAttrString(function.get(), "__name__"));
  if (!name) return -1;
  return add(module, name.get(), function.get());
}

int add_exceptions(PyObject *module) {
  if (add(module, "ParseError", parse_error_type()) < 0 ||
      add(module, "NotStatementError", not_statement_error_type()) < 0 ||
      add(module, "EmptyInputError", empty_input_error_type()) < 0 ||
      add(module, "UnfinishedError", unfinished_error_type()) < 0 ||
      add(module, "SyntaxError", syntax_error_type()) < 0)
    return -1;
  return 0;
}

int exec_module(PyObject *module) {
  if (!PyModule_Check(module)) {
    raise_not_instance(module, "PyModule");
    return -1;
  }
  if (add_classes(module) < 0 || add_parse(module) < 0 || add_exceptions(module) < 0) return -1;
  return 0;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void *>(exec_module)},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    // The classes are process-wide objects, which interpreters with their
    // own state must not share: importing into a subinterpreter fails.
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "velmora_py", "", 0, nullptr, module_slots, nullptr, nullptr, nullptr,
};

} // namespace
} // namespace velmora_py

PyMODINIT_FUNC PyInit_velmora_py() { return PyModuleDef_Init(&velmora_py::module_def); }
