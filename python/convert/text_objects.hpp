#pragma once

#include <Python.h>

#include <optional>
#include <string>
#include <string_view>

#include "convert/creation_failure.hpp"
#include "convert/text_shape.hpp"

namespace velmora_py {

// A new str from UTF-8 text, or nullptr with the interpreter's own error.
inline PyObject *str_from_utf8(std::string_view text) {
  return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), nullptr);
}

// As str_from_utf8, but a failure (the text always comes from the core, so
// only memory exhaustion) is raised as an InternalError.
PyObject *new_str(std::string_view text);

// The same str as new_str(text.utf8), made from the shape measured when the
// text was stored: the common kinds are copied straight into a str of the
// right size, with no second look at the text.
PyObject *new_str(const ShapedText &text);

// None for an absent value, else a new str.
PyObject *new_optional_str(const std::optional<std::string> &text);

// Writes an optional value as None or Some("...") with quoting.
void append_optional_quoted(std::string &out, const std::optional<std::string_view> &text);

} // namespace velmora_py
