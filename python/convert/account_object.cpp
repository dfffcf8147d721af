#include <string>
#include <vector>

#include "convert/convert.hpp"
#include "convert/owned_ref.hpp"
#include "convert/record_object.hpp"
#include "convert/result_objects.hpp"
#include "convert/result_type.hpp"
#include "once_cell.hpp"
#include "text/quote.hpp"

namespace velmora_py {
namespace {

// The account keeps native interval records; Python sees fresh copies.
struct AccountRecord {
  std::string number;
  std::vector<IntervalRecord> intervals;

  friend bool operator==(const AccountRecord &, const AccountRecord &) = default;
};

using Self = RecordObject<AccountRecord>;

// A new list of new Interval objects on every access, so that changing the
// list cannot reach the account.
PyObject *get_intervals(PyObject *self, void *) {
  return guard_allocation([self]() -> PyObject * {
    const std::vector<IntervalRecord> &intervals = record_of<AccountRecord>(self).intervals;
    OwnedRef list(PyList_New(static_cast<Py_ssize_t>(intervals.size())));
    if (!list) return raise_creation_failure("failed to create a list");
    for (std::size_t i = 0; i < intervals.size(); ++i) {
      PyObject *interval = new_interval(IntervalRecord(intervals[i]));
      if (interval == nullptr) return nullptr;
      PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), interval);
    }
    return list.release();
  });
}

PyObject *account_repr(PyObject *self) {
  return guard_allocation([self] {
    const AccountRecord &r = record_of<AccountRecord>(self);
    std::string out = "Account(number=";
    velmora::text::append_quoted(out, r.number);
    out += ", intervals=[...";
    out += std::to_string(r.intervals.size());
    out += "])";
    return new_str(out);
  });
}

PyObject *account_richcompare(PyObject *a, PyObject *b, int op) {
  return compare_records<AccountRecord>(account_type(), a, b, op);
}

PyGetSetDef account_getset[] = {
    {"number", get_member<AccountRecord, &AccountRecord::number>, nullptr, nullptr, nullptr},
    {"intervals", get_intervals, nullptr, nullptr, nullptr},
    {},
};

PyObject *make_account_type() {
  static PyType_Slot slots[] = {
      {Py_tp_doc, const_cast<char *>("")},
      {Py_tp_dealloc, reinterpret_cast<void *>(dealloc_record_object<AccountRecord>)},
      {Py_tp_repr, reinterpret_cast<void *>(account_repr)},
      {Py_tp_richcompare, reinterpret_cast<void *>(account_richcompare)},
      {Py_tp_hash, reinterpret_cast<void *>(PyObject_HashNotImplemented)},
      {Py_tp_getset, account_getset},
      {0, nullptr},
  };
  static PyType_Spec spec = {"builtins.Account", sizeof(Self), 0, kResultTypeFlags, slots};
  return create_result_type(spec);
}

} // namespace

PyTypeObject *account_type() {
  static OnceCell cell;
  return reinterpret_cast<PyTypeObject *>(cell.get(make_account_type));
}

PyObject *new_account(std::string &&number, std::vector<IntervalRecord> &&intervals) {
  return new_record_object(account_type(), AccountRecord{std::move(number), std::move(intervals)});
}

} // namespace velmora_py
