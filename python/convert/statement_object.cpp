#include <cstdint>
#include <string>
#include <string_view>

#include "convert/convert.hpp"
#include "convert/record_object.hpp"
#include "convert/result_objects.hpp"
#include "convert/result_type.hpp"
#include "once_cell.hpp"
#include "text/quote.hpp"

namespace velmora_py {
namespace {

// The containers are ordinary mutable Python objects that a caller can make
// point back at the statement, so the type takes part in garbage collection.
// It has no tp_clear: the containers' own clear breaks any such cycle, and
// the statement's references never change after creation.
struct StatementObject {
  PyObject_HEAD std::string_view encoding;
  PyObject *header;
  PyObject *accounts;
  PyObject *documents;
  PyObject *warnings;
  std::uint64_t document_count; // frozen at conversion for the repr
  std::uint64_t warning_count;
};

StatementObject *as_statement(PyObject *self) { return reinterpret_cast<StatementObject *>(self); }

int statement_traverse(PyObject *self, visitproc visit, void *arg) {
  StatementObject *s = as_statement(self);
  Py_VISIT(Py_TYPE(self));
  Py_VISIT(s->header);
  Py_VISIT(s->accounts);
  Py_VISIT(s->documents);
  Py_VISIT(s->warnings);
  return 0;
}

void statement_dealloc(PyObject *self) {
  StatementObject *s = as_statement(self);
  PyObject_GC_UnTrack(self);
  Py_XDECREF(s->header);
  Py_XDECREF(s->accounts);
  Py_XDECREF(s->documents);
  Py_XDECREF(s->warnings);
  PyTypeObject *type = Py_TYPE(self);
  type->tp_free(self);
  Py_DECREF(type);
}

PyObject *get_encoding(PyObject *self, void *) { return new_str(as_statement(self)->encoding); }

// The containers themselves, so that a caller's changes persist.
template <PyObject *StatementObject::*Member> PyObject *get_container(PyObject *self, void *) {
  return Py_NewRef(as_statement(self)->*Member);
}

PyObject *statement_repr(PyObject *self) {
  return guard_allocation([self] {
    const StatementObject *s = as_statement(self);
    std::string out = "Statement(encoding=";
    velmora::text::append_quoted(out, s->encoding);
    out += ", documents=[...";
    out += std::to_string(s->document_count);
    out += "], warnings=[...";
    out += std::to_string(s->warning_count);
    out += "])";
    return new_str(out);
  });
}

PyGetSetDef statement_getset[] = {
    {"encoding", get_encoding, nullptr, nullptr, nullptr},
    {"header", get_container<&StatementObject::header>, nullptr, nullptr, nullptr},
    {"accounts", get_container<&StatementObject::accounts>, nullptr, nullptr, nullptr},
    {"documents", get_container<&StatementObject::documents>, nullptr, nullptr, nullptr},
    {"warnings", get_container<&StatementObject::warnings>, nullptr, nullptr, nullptr},
    {},
};

PyObject *make_statement_type() {
  static PyType_Slot slots[] = {
      {Py_tp_doc, const_cast<char *>("")},
      {Py_tp_dealloc, reinterpret_cast<void *>(statement_dealloc)},
      {Py_tp_traverse, reinterpret_cast<void *>(statement_traverse)},
      {Py_tp_repr, reinterpret_cast<void *>(statement_repr)},
      {Py_tp_getset, statement_getset},
      {0, nullptr},
  };
  static PyType_Spec spec = {"builtins.Statement", sizeof(StatementObject), 0,
                             kResultTypeFlags | Py_TPFLAGS_HAVE_GC, slots};
  return create_result_type(spec);
}

} // namespace

PyTypeObject *statement_type() {
  static OnceCell cell;
  return reinterpret_cast<PyTypeObject *>(cell.get(make_statement_type));
}

PyObject *new_statement(const StatementParts &parts) {
  PyTypeObject *type = statement_type();
  PyObject *self = type != nullptr ? type->tp_alloc(type, 0) : nullptr;
  if (self == nullptr) {
    Py_DECREF(parts.header);
    Py_DECREF(parts.accounts);
    Py_DECREF(parts.documents);
    Py_DECREF(parts.warnings);
    return raise_creation_failure("failed to create a Statement object");
  }
  StatementObject *s = as_statement(self);
  s->encoding = parts.encoding;
  s->header = parts.header;
  s->accounts = parts.accounts;
  s->documents = parts.documents;
  s->warnings = parts.warnings;
  s->document_count = parts.document_count;
  s->warning_count = parts.warning_count;
  return self;
}

} // namespace velmora_py
