#include <array>
#include <string>
#include <utility>

#include "convert/convert.hpp"
#include "convert/getter_table.hpp"
#include "convert/record_object.hpp"
#include "convert/result_objects.hpp"
#include "convert/result_type.hpp"
#include "once_cell.hpp"
#include "text/quote.hpp"

namespace velmora_py {
namespace {

using Self = RecordObject<DocumentRecord>;
constexpr std::size_t kFieldCount = velmora::kDocumentFieldCount;

template <std::size_t... P>
constexpr std::array<PyGetSetDef, kFieldCount + 1> make_getset(std::index_sequence<P...>) {
  return {{
      PyGetSetDef{kDocumentAttributeOrder[P].data(),
                  get_slot<document_slot(kDocumentAttributeOrder[P])>, nullptr, nullptr,
                  nullptr}...,
      PyGetSetDef{},
  }};
}

// Declared in attribute order, so the class __dict__ lists them that way.
constinit std::array<PyGetSetDef, kFieldCount + 1> document_getset =
    make_getset(std::make_index_sequence<kFieldCount>{});

void append_field(std::string &out, const DocumentRecord &r, std::string_view name) {
  velmora::text::append_quoted(out, r.get(document_slot(name)).value_or(std::string_view{}));
}

PyObject *document_repr(PyObject *self) {
  return guard_allocation([self] {
    const DocumentRecord &r = record_of<DocumentRecord>(self);
    std::string out = "Document(doc_number=";
    append_field(out, r, "doc_number");
    out += ", doc_type=";
    append_field(out, r, "doc_type");
    out += ", doc_date=";
    append_field(out, r, "doc_date");
    out += ", amount=";
    append_field(out, r, "amount");
    out += ')';
    return new_str(out);
  });
}

PyObject *document_richcompare(PyObject *a, PyObject *b, int op) {
  return compare_records<DocumentRecord>(document_type(), a, b, op);
}

constinit GetterTable document_getters;

PyObject *make_document_type() {
  static PyType_Slot slots[] = {
      {Py_tp_doc, const_cast<char *>("")},
      {Py_tp_dealloc, reinterpret_cast<void *>(dealloc_record_object<DocumentRecord>)},
      {Py_tp_repr, reinterpret_cast<void *>(document_repr)},
      {Py_tp_richcompare, reinterpret_cast<void *>(document_richcompare)},
      {Py_tp_hash, reinterpret_cast<void *>(PyObject_HashNotImplemented)},
      {Py_tp_getset, document_getset.data()},
      {0, nullptr},
  };
  static PyType_Spec spec = {"builtins.Document", sizeof(Self), 0, kResultTypeFlags, slots};
  return install_getters(create_result_type(spec), document_getters, document_getset,
                         getattr_by_table<document_getters>);
}

} // namespace

PyTypeObject *document_type() {
  static OnceCell cell;
  return reinterpret_cast<PyTypeObject *>(cell.get(make_document_type));
}

PyObject *new_document(DocumentRecord &&record) {
  return new_record_object(document_type(), std::move(record));
}

} // namespace velmora_py
