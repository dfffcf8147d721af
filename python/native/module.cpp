// velmora._native: the private native module of the velmora package. Each
// capability brings its functions and types through its binding header.
#include <Python.h>

#include "bindings.hpp"
#include "tables_binding.hpp"

namespace velmora_native {
namespace {

int exec_module(PyObject *module) {
  PyObject *name = PyModule_GetNameObject(module);
  if (name == nullptr) return -1;
  PyMethodDef *defs[] = {&write_statement_def, &dos_text_def};
  for (PyMethodDef *def : defs) {
    PyObject *function = PyCFunction_NewEx(def, nullptr, name);
    if (function == nullptr) {
      Py_DECREF(name);
      return -1;
    }
    // PyModule_Add steals the reference, also on failure.
    if (PyModule_Add(module, def->ml_name, function) < 0) {
      Py_DECREF(name);
      return -1;
    }
  }
  Py_DECREF(name);
  if (PyModule_AddFunctions(module, tables_methods()) < 0) return -1;
  if (tables_exec(module) < 0) return -1;
  return 0;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void *>(exec_module)},
    // Nothing here holds state between calls, so no lock is needed, and
    // every interpreter can have its own copy.
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    {Py_mod_multiple_interpreters, Py_MOD_PER_INTERPRETER_GIL_SUPPORTED},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "velmora._native",
    "Private native helpers of the velmora package.",
    0,
    nullptr,
    module_slots,
    nullptr,
    nullptr,
    nullptr,
};

} // namespace
} // namespace velmora_native

PyMODINIT_FUNC PyInit__native() { return PyModuleDef_Init(&velmora_native::module_def); }
