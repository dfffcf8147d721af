#pragma once

#include <Python.h>

namespace velmora_native {

// The table functions of velmora._native, ending with a sentinel, for the
// module to add: read_file(data, threads=1) and assemble(items).
PyMethodDef *tables_methods();

// Creates the table types (ParsedFile, ArrowTable) and adds them to the
// module. Part of the module's exec step.
int tables_exec(PyObject *module);

} // namespace velmora_native
