#pragma once

#include <Python.h>

namespace velmora_native {

// The module's functions, one definition each, registered by module.cpp.
extern PyMethodDef write_statement_def;
extern PyMethodDef dos_text_def;

} // namespace velmora_native
