// velmora._native: the private native module of the velmora package. Each
// capability brings its functions and types through its binding header.
#include <Python.h>

#include "tables_binding.hpp"

namespace velmora_native {
namespace {

int exec_module(PyObject *module) {
  if (PyModule_AddFunctions(module, tables_methods()) < 0) return -1;
  if (tables_exec(module) < 0) return -1;
  return 0;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void *>(exec_module)},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "velmora._native",
    "Native parts of the velmora package.",
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
