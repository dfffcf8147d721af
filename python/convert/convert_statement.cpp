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

PyObject *convert_documents(std::vector<DocumentRecord> &records) {
  OwnedRef list(PyList_New(static_cast<Py_ssize_t>(records.size())));
  if (!list) return raise_creation_failure("failed to create a list");
  // Each record's block moves into its object; the list of records keeps
  // only empty handles.
  for (std::size_t i = 0; i < records.size(); ++i) {
    PyObject *object = new_document(std::move(records[i]));
    if (object == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), object);
  }
  return list.release();
}

PyObject *convert_warning(std::uint64_t lineno, PyObject *message) {
  OwnedRef tuple(PyTuple_New(2));
  if (!tuple) return raise_creation_failure("failed to create a tuple");
  PyObject *number = PyLong_FromUnsignedLongLong(lineno);
  if (number == nullptr) return raise_creation_failure("failed to create an int");
  PyTuple_SET_ITEM(tuple.get(), 0, number);
  PyTuple_SET_ITEM(tuple.get(), 1, Py_NewRef(message));
  return tuple.release();
}

// Consumes the warning entries: each one is freed as its tuple is made.
PyObject *convert_warnings(CollectedSections &sections) {
  auto &warnings = sections.warnings();
  OwnedRef list(PyList_New(static_cast<Py_ssize_t>(warnings.size())));
  if (!list) return raise_creation_failure("failed to create a list");
  // Warnings that share a message share its str: a statement of failing
  // sections would otherwise hold one str per section.
  OwnedRef message;
  std::size_t message_index = 0;
  for (Py_ssize_t i = 0; !warnings.empty(); ++i) {
    const CollectedSections::WarningEntry entry = warnings.front();
    warnings.pop_front();
    if (!message || entry.message != message_index) {
      message_index = entry.message;
      message = OwnedRef(new_str(sections.messages()[message_index]));
      if (!message) return nullptr;
    }
    PyObject *item = convert_warning(entry.lineno, message.get());
    if (item == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), i, item);
  }
  return list.release();
}

PyObject *convert(velmora::Statement &model, CollectedSections &sections) {
  // Anything the model kept itself comes first (nothing when the parse
  // used the sink): the Python objects are made from the records alone.
  if (!model.documents.empty() || !model.warnings.empty()) {
    CollectedSections all;
    for (velmora::Document &document : model.documents) all.take_document(std::move(document));
    for (velmora::Warning &warning : model.warnings) all.take_warning(std::move(warning));
    model.documents = {};
    model.warnings = {};
    for (DocumentRecord &record : sections.documents())
      all.documents().push_back(std::move(record));
    for (const auto &entry : sections.warnings())
      all.take_warning(velmora::Warning{entry.lineno, sections.messages()[entry.message]});
    sections = std::move(all);
  }
  OwnedRef header(convert_header(model.header));
  if (!header) return nullptr;
  OwnedRef accounts(convert_accounts(model.accounts));
  if (!accounts) return nullptr;
  const std::uint64_t document_count = sections.documents().size();
  OwnedRef documents(convert_documents(sections.documents()));
  if (!documents) return nullptr;
  sections.documents() = {};
  const std::uint64_t warning_count = sections.warnings().size();
  OwnedRef warnings(convert_warnings(sections));
  if (!warnings) return nullptr;
  return new_statement(StatementParts{
      .encoding = velmora::encoding_name(model.encoding),
      .header = header.release(),
      .accounts = accounts.release(),
      .documents = documents.release(),
      .warnings = warnings.release(),
      .document_count = document_count,
      .warning_count = warning_count,
  });
}

} // namespace

PyObject *convert_statement(velmora::Statement &&model) {
  return convert_statement(std::move(model), CollectedSections{});
}

PyObject *convert_statement(velmora::Statement &&model, CollectedSections &&sections) {
  return guard_allocation([&model, &sections] { return convert(model, sections); });
}

} // namespace velmora_py
