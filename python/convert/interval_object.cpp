#include <string>

#include "convert/convert.hpp"
#include "convert/record_object.hpp"
#include "convert/result_objects.hpp"
#include "convert/result_type.hpp"
#include "once_cell.hpp"
#include "text/quote.hpp"

namespace velmora_py {
namespace {

using Self = RecordObject<IntervalRecord>;

PyObject *interval_repr(PyObject *self) {
  return guard_allocation([self] {
    const IntervalRecord &r = record_of<IntervalRecord>(self);
    std::string out = "Interval(date_start=";
    velmora::text::append_quoted(out, r.date_start);
    out += ", date_end=";
    append_optional_quoted(out, r.date_end);
    out += ", start_amount=";
    velmora::text::append_quoted(out, r.start_amount);
    out += ", end_amount=";
    append_optional_quoted(out, r.end_amount);
    out += ')';
    return new_str(out);
  });
}

PyObject *interval_richcompare(PyObject *a, PyObject *b, int op) {
  return compare_records<IntervalRecord>(interval_type(), a, b, op);
}

PyGetSetDef interval_getset[] = {
    {"date_start", get_member<IntervalRecord, &IntervalRecord::date_start>, nullptr, nullptr, nullptr},
    {"date_end", get_member<IntervalRecord, &IntervalRecord::date_end>, nullptr, nullptr, nullptr},
    {"start_amount", get_member<IntervalRecord, &IntervalRecord::start_amount>, nullptr, nullptr,
     nullptr},
    {"end_amount", get_member<IntervalRecord, &IntervalRecord::end_amount>, nullptr, nullptr,
     nullptr},
    {"total_income", get_member<IntervalRecord, &IntervalRecord::total_income>, nullptr, nullptr,
     nullptr},
    {"total_expense", get_member<IntervalRecord, &IntervalRecord::total_expense>, nullptr, nullptr,
     nullptr},
    {},
};

PyObject *make_interval_type() {
  static PyType_Slot slots[] = {
      {Py_tp_doc, const_cast<char *>("")},
      {Py_tp_dealloc, reinterpret_cast<void *>(dealloc_record_object<IntervalRecord>)},
      {Py_tp_repr, reinterpret_cast<void *>(interval_repr)},
      {Py_tp_richcompare, reinterpret_cast<void *>(interval_richcompare)},
      {Py_tp_hash, reinterpret_cast<void *>(PyObject_HashNotImplemented)},
      {Py_tp_getset, interval_getset},
      {0, nullptr},
  };
  static PyType_Spec spec = {"builtins.Interval", sizeof(Self), 0, kResultTypeFlags, slots};
  return create_result_type(spec);
}

} // namespace

PyTypeObject *interval_type() {
  static OnceCell cell;
  return reinterpret_cast<PyTypeObject *>(cell.get(make_interval_type));
}

PyObject *new_interval(IntervalRecord &&record) {
  return new_record_object(interval_type(), std::move(record));
}

} // namespace velmora_py
