#include "arguments.hpp"

#include <new>
#include <string>
#include <vector>

namespace velmora_py {
namespace {

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'": the interpreter's listing.
std::string quoted_names(std::span<const char *const> names) {
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i != 0) {
      if (names.size() > 2) out += ',';
      out += i + 1 == names.size() ? " and " : " ";
    }
    out += '\'';
    out += names[i];
    out += '\'';
  }
  return out;
}

class Binder {
public:
  Binder(const Parameters &parameters, std::span<OwnedRef> out)
      : parameters_(parameters), out_(out) {}

  bool positional(PyObject *const *items, Py_ssize_t count) {
    std::size_t available = parameters_.names.size();
    if (static_cast<std::size_t>(count) > available) return too_many_positional(count);
    for (Py_ssize_t i = 0; i < count; ++i) out_[i].reset(Py_NewRef(items[i]));
    return true;
  }

  // Runs inside a dictionary's critical section on a free-threaded build, so
  // it raises through the interpreter only and never throws.
  bool keyword(PyObject *name, PyObject *value) noexcept {
    std::size_t index = find(name);
    if (index == parameters_.names.size()) {
      if (PyUnicode_Check(name))
        PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%U'",
                     parameters_.function, name);
      else
        PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%S'",
                     parameters_.function, name);
      return false;
    }
    if (out_[index]) {
      PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%s'",
                   parameters_.function, parameters_.names[index]);
      return false;
    }
    out_[index].reset(Py_NewRef(value));
    return true;
  }

  bool finish() {
    try {
      std::vector<const char *> missing;
      for (std::size_t i = 0; i < parameters_.required; ++i)
        if (!out_[i]) missing.push_back(parameters_.names[i]);
      if (missing.empty()) return true;
      std::string names = quoted_names(missing);
      PyErr_Format(PyExc_TypeError, "%s missing %zu required positional argument%s: %s",
                   parameters_.function, missing.size(), missing.size() == 1 ? "" : "s",
                   names.c_str());
    } catch (const std::bad_alloc &) {
      PyErr_NoMemory();
    }
    return false;
  }

private:
  // The parameter's index, or names.size() when no parameter has that name.
  std::size_t find(PyObject *name) const {
    if (!PyUnicode_Check(name)) return parameters_.names.size();
    std::size_t i = 0;
    while (i < parameters_.names.size() && !PyUnicode_EqualToUTF8(name, parameters_.names[i])) ++i;
    return i;
  }

  bool too_many_positional(Py_ssize_t given) const {
    std::size_t most = parameters_.names.size();
    const char *verb = given == 1 ? "was" : "were";
    if (parameters_.required != most)
      PyErr_Format(PyExc_TypeError,
                   "%s takes from %zu to %zu positional arguments but %zd %s given",
                   parameters_.function, parameters_.required, most, given, verb);
    else
      PyErr_Format(PyExc_TypeError, "%s takes %zu positional argument%s but %zd %s given",
                   parameters_.function, most, most == 1 ? "" : "s", given, verb);
    return false;
  }

  const Parameters &parameters_;
  std::span<OwnedRef> out_;
};

bool bind_dict(Binder &binder, PyObject *kwargs) {
  bool ok = true;
  Py_BEGIN_CRITICAL_SECTION(kwargs);
  Py_ssize_t pos = 0;
  PyObject *key = nullptr;
  PyObject *value = nullptr;
  while (ok && PyDict_Next(kwargs, &pos, &key, &value)) ok = binder.keyword(key, value);
  Py_END_CRITICAL_SECTION();
  return ok;
}

} // namespace

bool bind_vectorcall(const Parameters &parameters, PyObject *const *args, Py_ssize_t nargs,
                     PyObject *kwnames, std::span<OwnedRef> out) {
  Binder binder(parameters, out);
  if (!binder.positional(args, nargs)) return false;
  Py_ssize_t keywords = kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames);
  for (Py_ssize_t i = 0; i < keywords; ++i)
    if (!binder.keyword(PyTuple_GET_ITEM(kwnames, i), args[nargs + i])) return false;
  return binder.finish();
}

bool bind_call(const Parameters &parameters, PyObject *args, PyObject *kwargs,
               std::span<OwnedRef> out) {
  Binder binder(parameters, out);
  PyObject *const *items = reinterpret_cast<PyTupleObject *>(args)->ob_item;
  if (!binder.positional(items, PyTuple_GET_SIZE(args))) return false;
  if (kwargs != nullptr && !bind_dict(binder, kwargs)) return false;
  return binder.finish();
}

} // namespace velmora_py
