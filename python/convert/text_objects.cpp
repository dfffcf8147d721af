#include "convert/text_objects.hpp"

#include <cstring>

#include "convert/short_copy.hpp"
#include "convert/ucs2_decode.hpp"
#include "text/quote.hpp"

namespace velmora_py {

PyObject *new_str(std::string_view text) {
  PyObject *str = str_from_utf8(text);
  return str != nullptr ? str : raise_creation_failure("failed to create a str object");
}

namespace {

// A str of `length` characters whose widest is below `limit`; empty, it is
// the interpreter's shared empty str, as decoding gives.
PyObject *blank_str(std::size_t length, Py_UCS4 limit) {
  PyObject *str = PyUnicode_New(static_cast<Py_ssize_t>(length), limit);
  return str != nullptr ? str : raise_creation_failure("failed to create a str object");
}

} // namespace

PyObject *new_str(const ShapedText &text) {
  const std::size_t length = text.shape.length;
  switch (text.shape.kind) {
  case TextKind::Ascii: {
    // Decoding gives the interpreter's cached str for one character.
    if (length == 1) break;
    PyObject *str = blank_str(length, 0x7F);
    if (str != nullptr) copy_short(PyUnicode_DATA(str), text.utf8.data(), length);
    return str;
  }
  case TextKind::Bmp: {
    PyObject *str = blank_str(length, 0xFFFF);
    if (str != nullptr)
      decode_utf8_to_ucs2(text.utf8, static_cast<std::uint16_t *>(PyUnicode_DATA(str)), length);
    return str;
  }
  case TextKind::Latin1: // rare in these files: the interpreter's decoder
  case TextKind::Astral: break;
  }
  return new_str(text.utf8);
}

PyObject *new_optional_str(const std::optional<std::string> &text) {
  if (!text) Py_RETURN_NONE;
  return new_str(*text);
}

void append_optional_quoted(std::string &out, const std::optional<std::string_view> &text) {
  if (!text) {
    out += "None";
    return;
  }
  out += "Some(";
  velmora::text::append_quoted(out, *text);
  out += ')';
}

} // namespace velmora_py
