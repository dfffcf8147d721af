#pragma once

#include <Python.h>

#include <optional>

#include "attribute_names.hpp"
#include "velmora/model/statement.hpp"

namespace velmora_native {

// Reads a velmora_py.Statement (or any object with the same attributes)
// into the core's model, once, with the interpreter lock held: header (in
// its order), accounts with their intervals (in their order), documents with
// all their fields, and the encoding. The containers are copied before they
// are read, so another thread cannot change them underneath. Dates are read
// from their ISO text, amounts in the reader's amount syntax keeping the
// written scale. Warnings are not read. On failure returns none with a TypeError or
// ValueError set whose message names the offending attribute.
std::optional<velmora::Statement> statement_from_python(PyObject *statement,
                                                        const AttributeNames &names);

} // namespace velmora_native
