#include "errors/exceptions.hpp"

#include "once_cell.hpp"

namespace velmora_py {
namespace {

PyObject *new_exception_class(const char *qualified_name, PyObject *base) {
  if (base == nullptr) return nullptr;
  return PyErr_NewExceptionWithDoc(qualified_name, nullptr, base, nullptr);
}

} // namespace

PyObject *parse_error_type() {
  static OnceCell cell;
  return cell.get([] { return new_exception_class("velmora_py.ParseError", PyExc_Exception); });
}

PyObject *syntax_error_type() {
  static OnceCell cell;
  return cell.get([] { return new_exception_class("velmora_py.SyntaxError", parse_error_type()); });
}

PyObject *not_statement_error_type() {
  static OnceCell cell;
  return cell.get(
      [] { return new_exception_class("velmora_py.NotStatementError", parse_error_type()); });
}

PyObject *empty_input_error_type() {
  static OnceCell cell;
  return cell.get(
      [] { return new_exception_class("velmora_py.EmptyInputError", parse_error_type()); });
}

PyObject *unfinished_error_type() {
  static OnceCell cell;
  return cell.get(
      [] { return new_exception_class("velmora_py.UnfinishedError", parse_error_type()); });
}

} // namespace velmora_py
