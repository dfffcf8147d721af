#include "attribute_names.hpp"

#include <string>

namespace velmora_native {

namespace {

bool intern(PyObject *&slot, const char *name) {
  slot = PyUnicode_InternFromString(name);
  return slot != nullptr;
}

} // namespace

AttributeNames::~AttributeNames() {
  for (PyObject *name : {encoding, header, accounts, documents, number, intervals}) Py_XDECREF(name);
  for (PyObject *name : interval) Py_XDECREF(name);
  for (PyObject *name : document) Py_XDECREF(name);
}

bool AttributeNames::init() {
  if (!intern(encoding, "encoding") || !intern(header, "header") || !intern(accounts, "accounts") ||
      !intern(documents, "documents") || !intern(number, "number") ||
      !intern(intervals, "intervals"))
    return false;
  for (std::size_t i = 0; i < interval.size(); ++i)
    if (!intern(interval[i], kIntervalAttributes[i])) return false;
  for (std::size_t i = 0; i < document.size(); ++i) {
    // The names are views into a table of literals; copy for the NUL.
    const std::string name(velmora::kDocumentFields[i].name);
    if (!intern(document[i], name.c_str())) return false;
  }
  return true;
}

} // namespace velmora_native
