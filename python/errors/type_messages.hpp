#pragma once

#include <Python.h>

namespace velmora_py {

// Raises TypeError "'<qualname of type(obj)>' object is not an instance of
// '<expected>'", or "'None' is not an instance of '<expected>'" for None.
// "<failed to extract type name>" stands in when the name cannot be read.
// Always returns nullptr.
PyObject *raise_not_instance(PyObject *obj, const char *expected);

// Adds the note "while processing '<parameter>'" to the pending exception;
// a failure of add_note itself is discarded.
void add_parameter_note(const char *parameter);

} // namespace velmora_py
