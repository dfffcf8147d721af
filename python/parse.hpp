#pragma once

#include <Python.h>

namespace velmora_py {

// The method definition of velmora_py.parse(statement, hooks=None).
PyMethodDef *parse_method_def();

} // namespace velmora_py
