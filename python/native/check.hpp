#pragma once

#include <Python.h>

namespace velmora_native {

// The table holding check(statement) -> list of (kind, account, document,
// message) tuples, ended by an empty entry.
PyMethodDef *check_methods_table();

} // namespace velmora_native
