#pragma once

#include <Python.h>

namespace velmora_py {

// Creates a result class from a PyType_Spec named "builtins.<Name>". The class shows
// the bare name, like a built-in type, yet still has a __module__: without
// one the interpreter warns at creation (an error under -W error) and
// reading __module__ raises, which breaks introspection tools. New reference,
// or nullptr with the interpreter's error.
PyObject *create_result_type(PyType_Spec &spec);

} // namespace velmora_py
