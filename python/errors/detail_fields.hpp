#pragma once

#include <Python.h>

#include <cstdint>
#include <string_view>

namespace velmora_py {

// Field conversions of the detail-class constructors. Each returns false
// with the conversion's own error pending, noted with the parameter name.

// An int or any object with __index__, as an unsigned 64-bit value.
bool extract_lineno(PyObject *value, const char *parameter, std::uint64_t &out);

// A str (or subclass) as its UTF-8 form, which stays valid while `value`
// is alive.
bool extract_text(PyObject *value, const char *parameter, std::string_view &out);

// A new str from UTF-8 text the object holds.
PyObject *text_to_str(std::string_view text);

} // namespace velmora_py
