#pragma once

#include <Python.h>

namespace velmora_py {

// The exception classes raised by parse(). Each is created once per process
// and outlives every module object, so a class caught through one import of
// the module is the class raised through another. Borrowed references;
// nullptr with an exception set when the class cannot be created.
PyObject *parse_error_type();
PyObject *syntax_error_type();
PyObject *not_statement_error_type();
PyObject *empty_input_error_type();
PyObject *unfinished_error_type();

} // namespace velmora_py
