#pragma once

#include <Python.h>

#include "velmora/model/statement.hpp"

namespace velmora_native {

// Reads a velmora_py.Statement (or any object with the same attributes:
// header, accounts, documents) into the core's model, the inverse of the
// conversion velmora_py makes: dates from their ISO text, amounts from
// their decimal text. Returns false with a Python exception set (TypeError
// for a value of the wrong type, ValueError for a text that is no date or
// amount). Needs the interpreter lock.
bool statement_from_python(PyObject *statement, velmora::Statement &out);

} // namespace velmora_native
