#pragma once

#include <Python.h>

#include <expected>
#include <string>

namespace velmora_py {

// Appends the UTF-8 text of a str. A lone surrogate, which UTF-8 cannot
// carry, becomes one U+FFFD for each byte of its surrogate-pass encoding.
// Fails (with the Python error cleared) only when the interpreter cannot
// allocate the encoded form.
bool append_lossy_utf8(std::string &out, PyObject *str);

// "<type qualname>: <str(exc)>", or "<type qualname>: <exception str()
// failed>" when str() raises. Fails with a description, leaving no Python
// error pending, when the type's qualified name cannot be read.
std::expected<std::string, const char *> describe_exception(PyObject *exc);

} // namespace velmora_py
