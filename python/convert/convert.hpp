#pragma once

#include <Python.h>

#include "convert/collected_sections.hpp"
#include "velmora/model/statement.hpp"

namespace velmora_py {

// The result classes, each created once per process (borrowed references;
// nullptr with an exception set on failure).
PyTypeObject *interval_type();
PyTypeObject *account_type();
PyTypeObject *document_type();
PyTypeObject *statement_type();

// Consumes the core's model and returns a new velmora_py Statement object,
// or nullptr with the Python error that stopped the conversion.
PyObject *convert_statement(velmora::Statement &&model);

// The same for a model whose document sections went to `sections` during
// the parse; the model's own documents and warnings, if any, come first.
PyObject *convert_statement(velmora::Statement &&model, CollectedSections &&sections);

} // namespace velmora_py
