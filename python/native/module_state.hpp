#pragma once

#include <Python.h>

#include "attribute_names.hpp"

namespace velmora_native {

// What one module object owns: the interned names, and the tuple of finding
// kind names that is also the module's FINDING_KINDS.
struct ModuleState {
  AttributeNames *names;
  PyObject *finding_kinds;
};

inline ModuleState &module_state(PyObject *module) {
  return *static_cast<ModuleState *>(PyModule_GetState(module));
}

} // namespace velmora_native
