#include "convert/text_objects.hpp"

#include "text/quote.hpp"

namespace velmora_py {

PyObject *new_str(std::string_view text) {
  PyObject *str = str_from_utf8(text);
  return str != nullptr ? str : raise_creation_failure("failed to create a str object");
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
