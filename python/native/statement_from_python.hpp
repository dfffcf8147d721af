#pragma once

#include <Python.h>

#include <optional>

#include "attribute_names.hpp"
#include "velmora/model/statement.hpp"

namespace velmora_native {

// Reads a velmora_py.Statement (or any object with the same attributes)
// into the core's model, once, with the interpreter lock held: encoding,
// header, accounts with their intervals, and documents. Dates are read from
// their ISO text and amounts from their decimal text, keeping the written
// scale. Warnings are not read. On failure returns none with a TypeError or
// ValueError set whose message names the offending attribute.
std::optional<velmora::Statement> statement_from_python(PyObject *statement,
                                                        const AttributeNames &names);

} // namespace velmora_native
