#include "bindings.hpp"

#include <optional>
#include <utility>
#include <vector>

#include "convert/owned_ref.hpp"
#include "module_state.hpp"
#include "statement_from_python.hpp"
#include "velmora/checks/statement_checks.hpp"

namespace velmora_native {

using velmora_py::OwnedRef;

namespace {

PyObject *optional_text(const std::optional<std::string> &value) {
  if (!value) Py_RETURN_NONE;
  return PyUnicode_FromStringAndSize(value->data(), static_cast<Py_ssize_t>(value->size()));
}

PyObject *optional_index(const std::optional<std::size_t> &value) {
  if (!value) Py_RETURN_NONE;
  return PyLong_FromSize_t(*value);
}

PyObject *finding_tuple(const velmora::Finding &finding, PyObject *kinds) {
  PyObject *kind = PyTuple_GET_ITEM(kinds, static_cast<Py_ssize_t>(finding.kind));
  OwnedRef account(optional_text(finding.account));
  OwnedRef document(optional_index(finding.document));
  OwnedRef message(PyUnicode_FromStringAndSize(finding.message.data(),
                                               static_cast<Py_ssize_t>(finding.message.size())));
  if (!account || !document || !message) return nullptr;
  return PyTuple_Pack(4, kind, account.get(), document.get(), message.get());
}

PyObject *findings_list(const std::vector<velmora::Finding> &findings, PyObject *kinds) {
  OwnedRef list(PyList_New(static_cast<Py_ssize_t>(findings.size())));
  if (!list) return nullptr;
  for (std::size_t i = 0; i < findings.size(); ++i) {
    PyObject *item = finding_tuple(findings[i], kinds);
    if (item == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
  }
  return list.release();
}

PyObject *run_check(PyObject *module, PyObject *statement) {
  const ModuleState &state = module_state(module);
  std::optional<velmora::Statement> model = statement_from_python(statement, *state.names);
  if (!model) return nullptr;
  std::vector<velmora::Finding> findings;
  {
    DetachedScope detached;
    findings = velmora::check_statement(*model);
    model.reset(); // a large model is freed without the lock too
  }
  return findings_list(findings, state.finding_kinds);
}

PyObject *check(PyObject *module, PyObject *statement) {
  return guarded("check", [&] { return run_check(module, statement); });
}

PyMethodDef methods[] = {
    {"check", check, METH_O,
     "check(statement, /)\n--\n\n"
     "Runs every statement check on a velmora_py.Statement; returns a list of\n"
     "(kind, account, document, message) tuples in their stable order."},
    {nullptr, nullptr, 0, nullptr},
};

} // namespace

PyMethodDef *check_methods() { return methods; }

} // namespace velmora_native
