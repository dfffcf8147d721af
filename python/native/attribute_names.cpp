#include "attribute_names.hpp"

#include <string>

namespace velmora_native {

namespace {

bool intern(PyObject *&slot, const char *name) {
  slot = PyUnicode_InternFromString(name);
  return slot != nullptr;
}

template <std::size_t N>
bool intern_fields(std::array<PyObject *, N> &slots,
                   const std::array<velmora::FieldInfo, N> &fields) {
  for (std::size_t i = 0; i < N; ++i) {
    // The names are views into a table of literals; copy for the NUL.
    const std::string name(fields[i].name);
    if (!intern(slots[i], name.c_str())) return false;
  }
  return true;
}

} // namespace

AttributeNames::~AttributeNames() {
  for (PyObject *name : {encoding, header, accounts, documents, number, intervals})
    Py_XDECREF(name);
  for (PyObject *name : interval) Py_XDECREF(name);
  for (PyObject *name : document) Py_XDECREF(name);
}

bool AttributeNames::init() {
  if (!intern(encoding, "encoding") || !intern(header, "header") || !intern(accounts, "accounts") ||
      !intern(documents, "documents") || !intern(number, "number") ||
      !intern(intervals, "intervals"))
    return false;
  return intern_fields(interval, velmora::kIntervalFields) &&
         intern_fields(document, velmora::kDocumentFields);
}

} // namespace velmora_native
