#include "statement_from_python.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "parser/value_parsing.hpp"
#include "velmora/model/document_members.hpp"

namespace velmora_native {
namespace {

using velmora::Date;
using velmora::Decimal;

// A strong reference released at the end of its scope.
class Ref {
public:
  explicit Ref(PyObject *object) : object_(object) {}
  Ref(const Ref &) = delete;
  Ref &operator=(const Ref &) = delete;
  ~Ref() { Py_XDECREF(object_); }
  PyObject *get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

private:
  PyObject *object_;
};

// Where a value sits, for messages: "documents[3].amount".
using Path = std::string;

bool fail(PyObject *type, const Path &path, const std::string &what) {
  PyErr_Format(type, "%s: %s", path.c_str(), what.c_str());
  return false;
}

bool wrong_type(const Path &path, const char *expected, PyObject *value) {
  return fail(PyExc_TypeError, path,
              std::string("expected ") + expected + ", not " + Py_TYPE(value)->tp_name);
}

std::optional<std::string_view> utf8_of(PyObject *value, const Path &path) {
  if (!PyUnicode_Check(value)) {
    wrong_type(path, "str", value);
    return std::nullopt;
  }
  Py_ssize_t size = 0;
  const char *data = PyUnicode_AsUTF8AndSize(value, &size);
  if (data == nullptr) return std::nullopt;
  return std::string_view(data, static_cast<std::size_t>(size));
}

// The converters for each kind of value; an optional one takes None as
// absent.
bool convert(PyObject *value, const Path &path, std::string &out) {
  auto text = utf8_of(value, path);
  if (!text) return false;
  out.assign(*text);
  return true;
}

bool convert(PyObject *value, const Path &path, Date &out) {
  auto text = utf8_of(value, path);
  if (!text) return false;
  auto date = velmora::parse_iso_date(*text);
  if (!date)
    return fail(PyExc_ValueError, path, "not a date in ISO form YYYY-MM-DD: " + std::string(*text));
  out = *date;
  return true;
}

bool convert(PyObject *value, const Path &path, Decimal &out) {
  auto text = utf8_of(value, path);
  if (!text) return false;
  auto amount = velmora::parse_amount(*text);
  if (!amount) return fail(PyExc_ValueError, path, amount.error());
  out = *amount;
  return true;
}

template <class T> bool convert(PyObject *value, const Path &path, std::optional<T> &out) {
  if (value == Py_None) {
    out.reset();
    return true;
  }
  return convert(value, path, out.emplace());
}

template <class T> bool attribute(PyObject *owner, const char *name, const Path &path, T &out) {
  Ref value(PyObject_GetAttrString(owner, name));
  if (!value) return false;
  return convert(value.get(), path + "." + name, out);
}

// The one walk over the document field table: each member by its Python
// attribute name.
bool document_from_python(PyObject *document, const Path &path, velmora::Document &out) {
  for (std::size_t i = 0; i < velmora::kDocumentFieldCount; ++i) {
    const std::string name(velmora::kDocumentFields[i].name);
    const bool ok = std::visit(
        [&](auto member) { return attribute(document, name.c_str(), path, out.*member); },
        velmora::kDocumentMembers[i]);
    if (!ok) return false;
  }
  return true;
}

bool interval_from_python(PyObject *interval, const Path &path, velmora::Interval &out) {
  return attribute(interval, "date_start", path, out.date_start) &&
         attribute(interval, "date_end", path, out.date_end) &&
         attribute(interval, "start_amount", path, out.start_amount) &&
         attribute(interval, "end_amount", path, out.end_amount) &&
         attribute(interval, "total_income", path, out.total_income) &&
         attribute(interval, "total_expense", path, out.total_expense);
}

// Calls each(item, index) for the items of a list or other iterable.
template <class Each> bool for_each_item(PyObject *iterable, Each &&each) {
  Ref iterator(PyObject_GetIter(iterable));
  if (!iterator) return false;
  std::size_t index = 0;
  while (PyObject *raw = PyIter_Next(iterator.get())) {
    Ref item(raw);
    if (!each(item.get(), index++)) return false;
  }
  return !PyErr_Occurred();
}

bool account_from_python(PyObject *account, const Path &path, velmora::Account &out) {
  if (!attribute(account, "number", path, out.number)) return false;
  Ref intervals(PyObject_GetAttrString(account, "intervals"));
  if (!intervals) return false;
  return for_each_item(intervals.get(), [&](PyObject *item, std::size_t i) {
    return interval_from_python(item, path + ".intervals[" + std::to_string(i) + "]",
                                out.intervals.emplace_back());
  });
}

// A snapshot of a dict's items, so that nothing runs while the dict is
// being walked (another thread or a __getattr__ could change it).
Ref dict_items(PyObject *owner, const char *name) {
  Ref dict(PyObject_GetAttrString(owner, name));
  if (!dict) return Ref(nullptr);
  if (!PyDict_Check(dict.get())) {
    wrong_type(name, "dict", dict.get());
    return Ref(nullptr);
  }
  return Ref(PyDict_Items(dict.get()));
}

bool header_from_python(PyObject *statement, velmora::AttributeMap &out) {
  Ref items(dict_items(statement, "header"));
  if (!items) return false;
  return for_each_item(items.get(), [&](PyObject *pair, std::size_t) {
    auto key = utf8_of(PyTuple_GET_ITEM(pair, 0), "header key");
    if (!key) return false;
    auto value = utf8_of(PyTuple_GET_ITEM(pair, 1), "header[" + std::string(*key) + "]");
    if (!value) return false;
    out.insert(*key, *value);
    return true;
  });
}

bool accounts_from_python(PyObject *statement, velmora::AccountMap &out) {
  Ref items(dict_items(statement, "accounts"));
  if (!items) return false;
  return for_each_item(items.get(), [&](PyObject *pair, std::size_t) {
    auto key = utf8_of(PyTuple_GET_ITEM(pair, 0), "accounts key");
    if (!key) return false;
    const Path path = "accounts[" + std::string(*key) + "]";
    velmora::Account account;
    if (!account_from_python(PyTuple_GET_ITEM(pair, 1), path, account)) return false;
    if (out.find(account.number) != nullptr) {
      return fail(PyExc_ValueError, path, "a second account numbered " + account.number);
    }
    out.append(std::move(account));
    return true;
  });
}

} // namespace

bool statement_from_python(PyObject *statement, velmora::Statement &out) {
  if (!header_from_python(statement, out.header) ||
      !accounts_from_python(statement, out.accounts)) {
    return false;
  }
  Ref documents(PyObject_GetAttrString(statement, "documents"));
  if (!documents) return false;
  return for_each_item(documents.get(), [&](PyObject *item, std::size_t i) {
    return document_from_python(item, "documents[" + std::to_string(i) + "]",
                                out.documents.emplace_back());
  });
}

} // namespace velmora_native
