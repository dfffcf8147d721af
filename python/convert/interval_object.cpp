#include <array>
#include <string>
#include <tuple>
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

using Self = RecordObject<IntervalRecord>;

PyObject *interval_repr(PyObject *self) {
  return guard_allocation([self] {
    const IntervalRecord &r = record_of<IntervalRecord>(self);
    std::string out = "Interval(date_start=";
    velmora::text::append_quoted(out, r.at(interval_slot("date_start")));
    out += ", date_end=";
    append_optional_quoted(out, r.get(interval_slot("date_end")));
    out += ", start_amount=";
    velmora::text::append_quoted(out, r.at(interval_slot("start_amount")));
    out += ", end_amount=";
    append_optional_quoted(out, r.get(interval_slot("end_amount")));
    out += ')';
    return new_str(out);
  });
}

PyObject *interval_richcompare(PyObject *a, PyObject *b, int op) {
  return compare_records<IntervalRecord>(interval_type(), a, b, op);
}

constexpr std::size_t kFieldCount = velmora::kIntervalFieldCount;

// The getter of the attribute at place A, reading the record member of that name.
template <std::size_t A> constexpr PyGetSetDef getset_at() {
  constexpr std::size_t slot = interval_slot(kIntervalAttributeOrder[A]);
  return PyGetSetDef{kIntervalAttributeOrder[A].data(), get_slot<slot>, nullptr, nullptr, nullptr};
}

template <std::size_t... A>
constexpr std::array<PyGetSetDef, kFieldCount + 1> make_getset(std::index_sequence<A...>) {
  return {{getset_at<A>()..., PyGetSetDef{}}};
}

// Declared in attribute order, so the class __dict__ lists them that way.
constinit std::array<PyGetSetDef, kFieldCount + 1> interval_getset =
    make_getset(std::make_index_sequence<kFieldCount>{});

constinit GetterTable interval_getters;

PyObject *make_interval_type() {
  static PyType_Slot slots[] = {
      {Py_tp_doc, const_cast<char *>("")},
      {Py_tp_dealloc, reinterpret_cast<void *>(dealloc_record_object<IntervalRecord>)},
      {Py_tp_repr, reinterpret_cast<void *>(interval_repr)},
      {Py_tp_richcompare, reinterpret_cast<void *>(interval_richcompare)},
      {Py_tp_hash, reinterpret_cast<void *>(PyObject_HashNotImplemented)},
      {Py_tp_getset, interval_getset.data()},
      {0, nullptr},
  };
  static PyType_Spec spec = {"builtins.Interval", sizeof(Self), 0, kResultTypeFlags, slots};
  return install_getters(create_result_type(spec), interval_getters, interval_getset,
                         getattr_by_table<interval_getters>);
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
