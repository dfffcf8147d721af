#include <vector>

#include "convert/convert.hpp"
#include "convert/creation_failure.hpp"
#include "convert/owned_ref.hpp"
#include "convert/result_objects.hpp"
#include "convert/text_objects.hpp"

namespace velmora_py {
namespace {

// Each step returns a new container, or nullptr with the pending error:
// an InternalError when an object could not be created, the interpreter's
// own error when storing into a container failed.

PyObject *convert_header(const velmora::AttributeMap &header) {
  OwnedRef dict(PyDict_New());
  if (!dict) return raise_creation_failure("failed to create a dict");
  for (const velmora::AttributeMap::Entry &entry : header) {
    OwnedRef key(new_str(entry.key));
    if (!key) return nullptr;
    OwnedRef value(new_str(entry.value));
    if (!value) return nullptr;
    if (PyDict_SetItem(dict.get(), key.get(), value.get()) < 0) return nullptr;
  }
  return dict.release();
}

PyObject *convert_accounts(velmora::AccountMap &accounts) {
  OwnedRef dict(PyDict_New());
  if (!dict) return raise_creation_failure("failed to create a dict");
  for (velmora::Account &account : accounts) {
    std::vector<IntervalRecord> intervals;
    intervals.reserve(account.intervals.size());
    for (const velmora::Interval &interval : account.intervals)
      intervals.push_back(render_interval(interval));
    // The map is keyed by the account number itself.
    OwnedRef key(new_str(account.number));
    if (!key) return nullptr;
    OwnedRef object(new_account(std::move(account.number), std::move(intervals)));
    if (!object) return nullptr;
    if (PyDict_SetItem(dict.get(), key.get(), object.get()) < 0) return nullptr;
  }
  return dict.release();
}

PyObject *convert_documents(std::vector<velmora::Document> &documents) {
  OwnedRef list(PyList_New(static_cast<Py_ssize_t>(documents.size())));
  if (!list) return raise_creation_failure("failed to create a list");
  // Each record goes straight from the model into its object: no second
  // array of records, whose size would match the model's own.
  for (std::size_t i = 0; i < documents.size(); ++i) {
    PyObject *object = new_document(render_document(std::move(documents[i])));
    if (object == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), object);
  }
  return list.release();
}

PyObject *convert_warning(const velmora::Warning &warning) {
  OwnedRef tuple(PyTuple_New(2));
  if (!tuple) return raise_creation_failure("failed to create a tuple");
  PyObject *lineno = PyLong_FromUnsignedLongLong(warning.lineno);
  if (lineno == nullptr) return raise_creation_failure("failed to create an int");
  PyTuple_SET_ITEM(tuple.get(), 0, lineno);
  PyObject *message = new_str(warning.message);
  if (message == nullptr) return nullptr;
  PyTuple_SET_ITEM(tuple.get(), 1, message);
  return tuple.release();
}

PyObject *convert_warnings(const std::vector<velmora::Warning> &warnings) {
  OwnedRef list(PyList_New(static_cast<Py_ssize_t>(warnings.size())));
  if (!list) return raise_creation_failure("failed to create a list");
  for (std::size_t i = 0; i < warnings.size(); ++i) {
    PyObject *item = convert_warning(warnings[i]);
    if (item == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
  }
  return list.release();
}

PyObject *convert(velmora::Statement &model) {
  OwnedRef header(convert_header(model.header));
  if (!header) return nullptr;
  OwnedRef accounts(convert_accounts(model.accounts));
  if (!accounts) return nullptr;
  const std::uint64_t document_count = model.documents.size();
  OwnedRef documents(convert_documents(model.documents));
  if (!documents) return nullptr;
  OwnedRef warnings(convert_warnings(model.warnings));
  if (!warnings) return nullptr;
  return new_statement(StatementParts{
      .encoding = velmora::encoding_name(model.encoding),
      .header = header.release(),
      .accounts = accounts.release(),
      .documents = documents.release(),
      .warnings = warnings.release(),
      .document_count = document_count,
      .warning_count = model.warnings.size(),
  });
}

} // namespace

PyObject *convert_statement(velmora::Statement &&model) {
  // The texts of the model's documents are moved into the result objects.
  return guard_allocation([&model] { return convert(model); });
}

} // namespace velmora_py
