#pragma once

#include <Python.h>

#include "velmora/parse_error.hpp"

namespace velmora_py {

// Raises the exception for a core parse error: SyntaxError with a detail
// object for the seven syntax kinds, the matching ParseError subclass for
// the others. Always returns nullptr.
PyObject *raise_parse_error(const velmora::ParseError &error);

} // namespace velmora_py
