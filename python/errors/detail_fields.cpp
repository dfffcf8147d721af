#include "errors/detail_fields.hpp"

#include "convert/owned_ref.hpp"
#include "errors/type_messages.hpp"

namespace velmora_py {

bool extract_lineno(PyObject *value, const char *parameter, std::uint64_t &out) {
  OwnedRef index(PyNumber_Index(value));
  if (index) {
    unsigned long long number = PyLong_AsUnsignedLongLong(index.get());
    if (!(number == static_cast<unsigned long long>(-1) && PyErr_Occurred())) {
      out = number;
      return true;
    }
  }
  add_parameter_note(parameter);
  return false;
}

bool extract_text(PyObject *value, const char *parameter, std::string_view &out) {
  if (!PyUnicode_Check(value)) {
    raise_not_instance(value, "str");
    add_parameter_note(parameter);
    return false;
  }
  Py_ssize_t size = 0;
  const char *utf8 = PyUnicode_AsUTF8AndSize(value, &size);
  if (utf8 == nullptr) {
    add_parameter_note(parameter);
    return false;
  }
  out = std::string_view(utf8, static_cast<std::size_t>(size));
  return true;
}

PyObject *text_to_str(std::string_view text) {
  return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), nullptr);
}

} // namespace velmora_py
