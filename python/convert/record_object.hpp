#pragma once

#include <Python.h>

#include <cstddef>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "convert/compact_texts.hpp"
#include "convert/creation_failure.hpp"
#include "convert/text_objects.hpp"

namespace velmora_py {

// A result object whose whole state is one native record: plain data that
// holds no Python references, so the type needs no garbage collector support.
template <class Record> struct RecordObject {
  PyObject_HEAD Record record;
};

template <class Record> const Record &record_of(PyObject *self) {
  return reinterpret_cast<RecordObject<Record> *>(self)->record;
}

// A new instance of `type` taking the record over; InternalError when the
// type or the instance cannot be created.
template <class Record> PyObject *new_record_object(PyTypeObject *type, Record &&record) {
  if (type == nullptr) return raise_creation_failure("failed to create a result type");
  PyObject *self = type->tp_alloc(type, 0);
  if (self == nullptr) return raise_creation_failure("failed to create a result object");
  new (&reinterpret_cast<RecordObject<Record> *>(self)->record) Record(std::move(record));
  return self;
}

template <class Record> void dealloc_record_object(PyObject *self) {
  reinterpret_cast<RecordObject<Record> *>(self)->record.~Record();
  PyTypeObject *type = Py_TYPE(self);
  type->tp_free(self);
  Py_DECREF(type); // instances of heap types own a reference to their type
}

// Value equality of two instances of `type`; NotImplemented for any other
// operand or operator, so == falls back to identity and orderings fail.
template <class Record>
PyObject *compare_records(PyTypeObject *type, PyObject *a, PyObject *b, int op) {
  if ((op != Py_EQ && op != Py_NE) || !PyObject_TypeCheck(a, type) || !PyObject_TypeCheck(b, type))
    Py_RETURN_NOTIMPLEMENTED;
  bool equal = record_of<Record>(a) == record_of<Record>(b);
  return Py_NewRef(equal == (op == Py_EQ) ? Py_True : Py_False);
}

inline PyObject *new_text(const std::string &text) { return new_str(text); }
inline PyObject *new_text(const std::optional<std::string> &text) { return new_optional_str(text); }

// Read-only attribute returning a new str (or None) for one record member.
template <class Record, auto Member> PyObject *get_member(PyObject *self, void *) {
  return new_text(record_of<Record>(self).*Member);
}

// Read-only attribute returning a new str (or None) for one slot of a
// compact record.
template <std::size_t Slot> PyObject *get_slot(PyObject *self, void *) {
  const CompactTexts &record = record_of<CompactTexts>(self);
  if (!record.has(Slot)) Py_RETURN_NONE;
  return new_str(record.shaped(Slot));
}

// Every result class is final, immutable and built only by the conversion.
inline constexpr unsigned long kResultTypeFlags =
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION;

} // namespace velmora_py
