#include "statement_from_python.hpp"

#include <string>
#include <string_view>

#include "convert/owned_ref.hpp"
#include "parser/value_parsing.hpp"
#include "velmora/model/date.hpp"
#include "velmora/model/document.hpp"

namespace velmora_native {

using velmora_py::OwnedRef;

namespace {

// Where a value sits, for messages: "statement.documents[3].amount".
struct Where {
  std::string path;

  Where at(std::string_view attribute) const { return {path + "." + std::string(attribute)}; }
  Where at(PyObject *attribute) const {
    const char *text = PyUnicode_AsUTF8(attribute);
    return at(text == nullptr ? std::string_view("?") : std::string_view(text));
  }
  Where item(Py_ssize_t index) const { return {path + "[" + std::to_string(index) + "]"}; }
};

std::nullptr_t wrong_type(const Where &where, const char *wanted, PyObject *got) {
  PyErr_Format(PyExc_TypeError, "%s must be %s, not %.200s", where.path.c_str(), wanted,
               Py_TYPE(got)->tp_name);
  return nullptr;
}

// Adds where the pending exception arose as a note, keeping its type.
void note_where(const Where &where) {
  PyObject *error = PyErr_GetRaisedException();
  if (error == nullptr) return;
  const std::string note = "while reading " + where.path;
  OwnedRef result(PyObject_CallMethod(error, "add_note", "s", note.c_str()));
  if (!result) PyErr_Clear();
  PyErr_SetRaisedException(error);
}

OwnedRef attribute(PyObject *object, PyObject *name, const Where &where) {
  OwnedRef value(PyObject_GetAttr(object, name));
  if (!value) note_where(where.at(name));
  return value;
}

// A private list of a container's items: the caller's list may change
// under another thread while it is read.
OwnedRef snapshot(PyObject *sequence, const Where &where) {
  if (PyUnicode_Check(sequence) || PyBytes_Check(sequence) || PyDict_Check(sequence))
    return OwnedRef(wrong_type(where, "a list", sequence));
  OwnedRef list(PySequence_List(sequence));
  if (!list) note_where(where);
  return list;
}

OwnedRef mapping_items(PyObject *mapping, const Where &where) {
  if (!PyDict_Check(mapping)) return OwnedRef(wrong_type(where, "a dict", mapping));
  OwnedRef items(PyDict_Items(mapping));
  if (!items) note_where(where);
  return items;
}

std::optional<std::string_view> text(PyObject *value, const Where &where) {
  if (!PyUnicode_Check(value)) {
    wrong_type(where, "str", value);
    return std::nullopt;
  }
  Py_ssize_t size = 0;
  const char *utf8 = PyUnicode_AsUTF8AndSize(value, &size);
  if (utf8 == nullptr) {
    note_where(where);
    return std::nullopt;
  }
  return std::string_view(utf8, static_cast<std::size_t>(size));
}

std::nullopt_t unreadable(const Where &where, PyObject *value, const char *form) {
  PyErr_Format(PyExc_ValueError, "%s: %R is not %s", where.path.c_str(), value, form);
  return std::nullopt;
}

// One value into its model type; the Python side of each is str (or None
// for the optional ones).
template <class T> struct ValueReader;

template <> struct ValueReader<std::string> {
  static std::optional<std::string> read(PyObject *value, const Where &where) {
    auto t = text(value, where);
    if (!t) return std::nullopt;
    return std::string(*t);
  }
};

template <> struct ValueReader<velmora::Date> {
  static std::optional<velmora::Date> read(PyObject *value, const Where &where) {
    auto t = text(value, where);
    if (!t) return std::nullopt;
    if (auto date = velmora::parse_iso_date(*t)) return date;
    return unreadable(where, value, "a date in ISO form (YYYY-MM-DD)");
  }
};

template <> struct ValueReader<velmora::Decimal> {
  static std::optional<velmora::Decimal> read(PyObject *value, const Where &where) {
    auto t = text(value, where);
    if (!t) return std::nullopt;
    // The reader's amount syntax, so that any amount it reads comes back with
    // the scale it was written with.
    if (auto amount = velmora::parse_amount(*t)) return *amount;
    return unreadable(where, value, "a decimal amount such as 1500.00");
  }
};

// Reads into `out`; an optional member takes None as absent.
template <class T> bool read_into(PyObject *value, const Where &where, T &out) {
  auto read = ValueReader<T>::read(value, where);
  if (!read) return false;
  out = std::move(*read);
  return true;
}

template <class T> bool read_into(PyObject *value, const Where &where, std::optional<T> &out) {
  if (value == Py_None) {
    out.reset();
    return true;
  }
  T present{};
  if (!read_into(value, where, present)) return false;
  out = std::move(present);
  return true;
}

template <class T>
bool read_attribute(PyObject *object, PyObject *name, const Where &where, T &out) {
  OwnedRef value = attribute(object, name, where);
  return value && read_into(value.get(), where.at(name), out);
}

// Every field of a record, by the type of its member, in the record's
// declaration order; `names` holds the interned attribute names in that order.
template <class Record, class Names>
bool read_record(PyObject *object, const Names &names, const Where &where, Record &out) {
  bool ok = true;
  std::size_t i = 0;
  velmora::for_each_field(out, [&](const velmora::FieldInfo &, auto &member) {
    ok = ok && read_attribute(object, names[i], where, member);
    ++i;
  });
  return ok;
}

bool read_account(PyObject *key, PyObject *object, const AttributeNames &names, const Where &where,
                  velmora::Statement &out) {
  auto number = text(key, where);
  if (!number) return false;
  const Where here{where.path + "[" + std::string(*number) + "]"};
  OwnedRef own_number = attribute(object, names.number, here);
  if (!own_number) return false;
  auto own = text(own_number.get(), here.at(names.number));
  if (!own) return false;
  if (*own != *number) {
    PyErr_Format(PyExc_ValueError, "%s.number is %R, not the key it is stored under",
                 here.path.c_str(), own_number.get());
    return false;
  }
  OwnedRef intervals_object = attribute(object, names.intervals, here);
  if (!intervals_object) return false;
  const Where intervals_where = here.at(names.intervals);
  OwnedRef intervals = snapshot(intervals_object.get(), intervals_where);
  if (!intervals) return false;
  velmora::Account account{std::string(*number), {}};
  const Py_ssize_t count = PyList_GET_SIZE(intervals.get());
  account.intervals.resize(static_cast<std::size_t>(count));
  for (Py_ssize_t i = 0; i < count; ++i)
    if (!read_record(PyList_GET_ITEM(intervals.get(), i), names.interval, intervals_where.item(i),
                     account.intervals[static_cast<std::size_t>(i)]))
      return false;
  out.accounts.append(std::move(account));
  return true;
}

// The items of one of the statement's dicts, as a private list.
OwnedRef statement_items(PyObject *statement, PyObject *name, const Where &where) {
  OwnedRef mapping = attribute(statement, name, Where{"statement"});
  return mapping ? mapping_items(mapping.get(), where) : OwnedRef();
}

bool read_accounts(PyObject *statement, const AttributeNames &names, velmora::Statement &out) {
  const Where where{"statement.accounts"};
  OwnedRef items = statement_items(statement, names.accounts, where);
  if (!items) return false;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); ++i) {
    PyObject *pair = PyList_GET_ITEM(items.get(), i);
    if (!read_account(PyTuple_GET_ITEM(pair, 0), PyTuple_GET_ITEM(pair, 1), names, where, out))
      return false;
  }
  return true;
}

bool read_header(PyObject *statement, const AttributeNames &names, velmora::Statement &out) {
  const Where where{"statement.header"};
  OwnedRef items = statement_items(statement, names.header, where);
  if (!items) return false;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); ++i) {
    PyObject *pair = PyList_GET_ITEM(items.get(), i);
    auto key = text(PyTuple_GET_ITEM(pair, 0), where);
    if (!key) return false;
    auto value = text(PyTuple_GET_ITEM(pair, 1), Where{where.path + "[" + std::string(*key) + "]"});
    if (!value) return false;
    out.header.insert(*key, *value);
  }
  return true;
}

bool read_documents(PyObject *statement, const AttributeNames &names, velmora::Statement &out) {
  const Where where{"statement.documents"};
  OwnedRef documents_object = attribute(statement, names.documents, Where{"statement"});
  if (!documents_object) return false;
  OwnedRef documents = snapshot(documents_object.get(), where);
  if (!documents) return false;
  const Py_ssize_t count = PyList_GET_SIZE(documents.get());
  out.documents.resize(static_cast<std::size_t>(count));
  for (Py_ssize_t i = 0; i < count; ++i)
    if (!read_record(PyList_GET_ITEM(documents.get(), i), names.document, where.item(i),
                     out.documents[static_cast<std::size_t>(i)]))
      return false;
  return true;
}

bool read_encoding(PyObject *statement, const AttributeNames &names, velmora::Statement &out) {
  const Where where{"statement.encoding"};
  OwnedRef encoding = attribute(statement, names.encoding, Where{"statement"});
  if (!encoding) return false;
  auto name = text(encoding.get(), where);
  if (!name) return false;
  for (const auto e : {velmora::Encoding::Utf8, velmora::Encoding::Cp1251})
    if (*name == velmora::encoding_name(e)) {
      out.encoding = e;
      return true;
    }
  unreadable(where, encoding.get(), "\"utf-8\" or \"cp1251\"");
  return false;
}

} // namespace

std::optional<velmora::Statement> statement_from_python(PyObject *statement,
                                                        const AttributeNames &names) {
  velmora::Statement out;
  // The encoding last: the writer and the checks do not use it, and a
  // statement of the wrong shape is reported by its containers first.
  if (!read_header(statement, names, out) || !read_accounts(statement, names, out) ||
      !read_documents(statement, names, out) || !read_encoding(statement, names, out))
    return std::nullopt;
  return out;
}

} // namespace velmora_native
