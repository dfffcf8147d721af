// write_orders(orders, account, encoding, newline, sender, receiver, created,
//              date_start, date_end) -> bytes | list of problems
// order_value(attribute, text) -> str
//
// The velmora package's velmora.write_orders and velmora.PaymentOrder call
// these. Each order reaches here as a dict from attribute names to str (or
// None, or no entry, for a value not given); all reading and checking of the
// values is the core's.

#include <Python.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bindings.hpp"
#include "convert/owned_ref.hpp"
#include "module_state.hpp"
#include "velmora/writer/write_orders.hpp"

namespace velmora_native {
namespace {

using velmora_py::OwnedRef;

std::optional<std::string_view> utf8(PyObject *value, const char *what) {
  if (!PyUnicode_Check(value)) {
    PyErr_Format(PyExc_TypeError, "%s must be str, not %.200s", what, Py_TYPE(value)->tp_name);
    return std::nullopt;
  }
  Py_ssize_t size = 0;
  const char *data = PyUnicode_AsUTF8AndSize(value, &size);
  if (data == nullptr) return std::nullopt;
  return std::string_view(data, static_cast<std::size_t>(size));
}

bool order_from_python(PyObject *order, const AttributeNames &names, velmora::OrderValues &out) {
  if (!PyDict_Check(order)) {
    PyErr_Format(PyExc_TypeError, "an order must be a dict, not %.200s", Py_TYPE(order)->tp_name);
    return false;
  }
  for (std::size_t i = 0; i < velmora::kDocumentFieldCount; ++i) {
    PyObject *value = nullptr;
    if (PyDict_GetItemRef(order, names.document[i], &value) < 0) return false;
    OwnedRef owned(value);
    if (value == nullptr || value == Py_None) continue;
    const std::string name(velmora::kDocumentFields[i].name);
    auto text = utf8(value, name.c_str());
    if (!text) return false;
    out[i].emplace(*text);
  }
  return true;
}

bool orders_from_python(PyObject *orders, const AttributeNames &names,
                        std::vector<velmora::OrderValues> &out) {
  OwnedRef list(PySequence_List(orders));
  if (!list) return false;
  const Py_ssize_t count = PyList_GET_SIZE(list.get());
  out.resize(static_cast<std::size_t>(count));
  for (Py_ssize_t i = 0; i < count; ++i)
    if (!order_from_python(PyList_GET_ITEM(list.get(), i), names, out[static_cast<std::size_t>(i)]))
      return false;
  return true;
}

bool text_argument(PyObject *value, const char *what, std::string &out) {
  auto text = utf8(value, what);
  if (!text) return false;
  out.assign(*text);
  return true;
}

// None, or a date in ISO form.
bool date_argument(PyObject *value, const char *what, std::optional<velmora::Date> &out) {
  if (value == Py_None) return true;
  auto text = utf8(value, what);
  if (!text) return false;
  out = velmora::parse_iso_date(*text);
  if (!out)
    PyErr_Format(PyExc_ValueError, "%s: %R is not a date in ISO form YYYY-MM-DD", what, value);
  return out.has_value();
}

// (year, month, day, hour, minute, second)
bool created_argument(PyObject *value, velmora::OrderFileOptions &options) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!PyArg_ParseTuple(value, "iiiiii:created", &year, &month, &day, &hour, &minute, &second))
    return false;
  const bool date_ok =
      year >= velmora::kMinYear && year <= velmora::kMaxYear && month >= 1 && month <= 12 &&
      day >= 1 &&
      static_cast<unsigned>(day) <= velmora::days_in_month(year, static_cast<unsigned>(month));
  if (!date_ok || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    PyErr_SetString(PyExc_ValueError, "created: not a valid date and time");
    return false;
  }
  options.created_date = {year, static_cast<std::uint8_t>(month), static_cast<std::uint8_t>(day)};
  options.created_time = {static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute),
                          static_cast<std::uint8_t>(second)};
  return true;
}

PyObject *problem_list(const std::vector<velmora::OrderProblem> &problems) {
  OwnedRef list(PyList_New(static_cast<Py_ssize_t>(problems.size())));
  if (!list) return nullptr;
  for (std::size_t i = 0; i < problems.size(); ++i) {
    const auto &p = problems[i];
    OwnedRef order(p.order ? PyLong_FromSize_t(*p.order) : Py_NewRef(Py_None));
    if (!order) return nullptr;
    // A message quotes the value it is about, which may not be valid text.
    PyObject *item = Py_BuildValue("(Os#s#)", order.get(), p.attribute.data(),
                                   static_cast<Py_ssize_t>(p.attribute.size()), p.message.data(),
                                   static_cast<Py_ssize_t>(p.message.size()));
    if (item == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
  }
  return list.release();
}

PyObject *run_write_orders(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
  if (nargs != 9) {
    PyErr_SetString(PyExc_TypeError, "write_orders(orders, account, encoding, newline, sender, "
                                     "receiver, created, date_start, date_end)");
    return nullptr;
  }
  velmora::OrderFileOptions options;
  std::string encoding, newline;
  if (!text_argument(args[1], "account", options.account) ||
      !text_argument(args[2], "encoding", encoding) ||
      !text_argument(args[3], "newline", newline) ||
      !text_argument(args[4], "sender", options.sender) ||
      !text_argument(args[5], "receiver", options.receiver) ||
      !created_argument(args[6], options) ||
      !date_argument(args[7], "date_start", options.date_start) ||
      !date_argument(args[8], "date_end", options.date_end) ||
      !write_options_from(encoding, newline, options.write))
    return nullptr;
  std::vector<velmora::OrderValues> orders;
  if (!orders_from_python(args[0], *module_state(module).names, orders)) return nullptr;
  velmora::OrdersResult result;
  {
    DetachedScope detached;
    result = velmora::write_orders(orders, options);
  }
  if (!result) return problem_list(result.error());
  return PyBytes_FromStringAndSize(result->data(), static_cast<Py_ssize_t>(result->size()));
}

PyObject *write_orders(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
  return guarded("write_orders", [&] { return run_write_orders(module, args, nargs); });
}

PyObject *run_order_value(PyObject *const *args, Py_ssize_t nargs) {
  if (nargs != 2) {
    PyErr_SetString(PyExc_TypeError, "order_value(attribute, text)");
    return nullptr;
  }
  auto name = utf8(args[0], "attribute");
  if (!name) return nullptr;
  const std::size_t index = velmora::field_index(velmora::kDocumentFields, *name);
  if (index == velmora::kDocumentFieldCount) {
    PyErr_Format(PyExc_ValueError, "%R is not an attribute of a payment order", args[0]);
    return nullptr;
  }
  auto text = utf8(args[1], std::string(*name).c_str());
  if (!text) return nullptr;
  auto value = velmora::canonical_order_value(velmora::kDocumentFields[index].kind, *text);
  if (!value) {
    PyErr_Format(PyExc_ValueError, "%U: %s", args[0], value.error().c_str());
    return nullptr;
  }
  return PyUnicode_FromStringAndSize(value->data(), static_cast<Py_ssize_t>(value->size()));
}

PyObject *order_value(PyObject *, PyObject *const *args, Py_ssize_t nargs) {
  return guarded("order_value", [&] { return run_order_value(args, nargs); });
}

PyMethodDef methods[] = {
    {"write_orders", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(write_orders)),
     METH_FASTCALL,
     "write_orders(orders, account, encoding, newline, sender, receiver, created, date_start, "
     "date_end)\n--\n\n"
     "The payment-order file's bytes, or the list of (order_index, attribute, message) problems "
     "that stop it."},
    {"order_value", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(order_value)),
     METH_FASTCALL,
     "order_value(attribute, text)\n--\n\n"
     "The value as the payment-order writer reads and writes it; ValueError if it does not read."},
    {nullptr, nullptr, 0, nullptr},
};

} // namespace

PyMethodDef *orders_methods() { return methods; }

} // namespace velmora_native
