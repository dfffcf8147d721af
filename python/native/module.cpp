// velmora._native: the velmora package's private extension module, the
// bindings of the core's capabilities beyond parsing (writing statements
// and payment orders, DOS input, statement checks, tables). It reads
// velmora_py's result objects into the core's model at the edge, once, and
// runs the core's native work on it without the interpreter lock.
#include <Python.h>

#include <new>

#include "bindings.hpp"
#include "convert/owned_ref.hpp"
#include "module_state.hpp"
#include "tables_binding.hpp"
#include "velmora/checks/statement_checks.hpp"
#include "velmora/model/document.hpp"

namespace velmora_native {
namespace {

using velmora_py::OwnedRef;

PyObject *finding_kinds_tuple() {
  OwnedRef kinds(PyTuple_New(static_cast<Py_ssize_t>(velmora::kFindingKindCount)));
  if (!kinds) return nullptr;
  for (std::size_t i = 0; i < velmora::kFindingKindCount; ++i) {
    const std::string_view name = velmora::kFindingKindNames[i];
    PyObject *text = PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
    if (text == nullptr) return nullptr;
    PyUnicode_InternInPlace(&text);
    PyTuple_SET_ITEM(kinds.get(), static_cast<Py_ssize_t>(i), text);
  }
  return kinds.release();
}

// The document attributes whose values are of one kind, in the field
// table's order: for the package, which reads dates and amounts.
int add_attributes_of_kind(PyObject *module, const char *name, velmora::FieldKind kind) {
  OwnedRef names(PyList_New(0));
  if (!names) return -1;
  for (const velmora::FieldInfo &info : velmora::kDocumentFields) {
    if (info.kind != kind) continue;
    OwnedRef text(
        PyUnicode_FromStringAndSize(info.name.data(), static_cast<Py_ssize_t>(info.name.size())));
    if (!text || PyList_Append(names.get(), text.get()) < 0) return -1;
  }
  OwnedRef tuple(PyList_AsTuple(names.get()));
  return tuple ? PyModule_AddObjectRef(module, name, tuple.get()) : -1;
}

int exec_module_state(PyObject *module) {
  ModuleState &state = module_state(module);
  state.names = new (std::nothrow) AttributeNames();
  if (state.names == nullptr) {
    PyErr_NoMemory();
    return -1;
  }
  if (!state.names->init()) return -1;
  state.finding_kinds = finding_kinds_tuple();
  if (state.finding_kinds == nullptr) return -1;
  if (PyModule_AddObjectRef(module, "FINDING_KINDS", state.finding_kinds) < 0 ||
      add_attributes_of_kind(module, "DATE_ATTRIBUTES", velmora::FieldKind::Date) < 0 ||
      add_attributes_of_kind(module, "AMOUNT_ATTRIBUTES", velmora::FieldKind::Amount) < 0)
    return -1;
  for (PyMethodDef *table :
       {check_methods(), orders_methods(), read_methods(), write_methods(), tables_methods()})
    if (PyModule_AddFunctions(module, table) < 0) return -1;
  return tables_exec(module);
}

int exec_module(PyObject *module) {
  try {
    return exec_module_state(module);
  } catch (...) {
    PyErr_NoMemory();
    return -1;
  }
}

int traverse(PyObject *module, visitproc visit, void *arg) {
  Py_VISIT(module_state(module).finding_kinds);
  return 0;
}

int clear(PyObject *module) {
  Py_CLEAR(module_state(module).finding_kinds);
  return 0;
}

void free_module(void *module) {
  clear(static_cast<PyObject *>(module));
  ModuleState &state = module_state(static_cast<PyObject *>(module));
  delete state.names;
  state.names = nullptr;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void *>(exec_module)},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    // Everything the module holds lives in its own state.
    {Py_mod_multiple_interpreters, Py_MOD_PER_INTERPRETER_GIL_SUPPORTED},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "velmora._native",
    "Private native helpers of the velmora package; not a public API.",
    sizeof(ModuleState),
    nullptr,
    module_slots,
    traverse,
    clear,
    free_module,
};

} // namespace
} // namespace velmora_native

PyMODINIT_FUNC PyInit__native() { return PyModuleDef_Init(&velmora_native::module_def); }
