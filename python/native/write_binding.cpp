// write_statement(statement, encoding, newline) -> bytes | list of problems
//
// The velmora package's velmora.write calls this and raises WriteError on a
// list of (where, key, message) tuples.

#include <Python.h>

#include <optional>
#include <string>
#include <string_view>

#include "bindings.hpp"
#include "module_state.hpp"
#include "statement_from_python.hpp"
#include "velmora/writer/write_statement.hpp"

namespace velmora_native {
namespace {

bool encoding_from(std::string_view name, velmora::OutputEncoding &out) {
  for (auto e : {velmora::OutputEncoding::Windows1251, velmora::OutputEncoding::Utf8,
                 velmora::OutputEncoding::Ibm866}) {
    if (name == velmora::output_encoding_name(e)) {
      out = e;
      return true;
    }
  }
  PyErr_Format(PyExc_ValueError, "unknown encoding '%s': expected 'cp1251', 'utf-8' or 'cp866'",
               std::string(name).c_str());
  return false;
}

bool newline_from(std::string_view text, velmora::Newline &out) {
  for (auto n : {velmora::Newline::CrLf, velmora::Newline::Lf}) {
    if (text == velmora::newline_text(n)) {
      out = n;
      return true;
    }
  }
  PyErr_SetString(PyExc_ValueError, "newline must be '\\r\\n' or '\\n'");
  return false;
}

} // namespace

bool write_options_from(std::string_view encoding, std::string_view newline,
                        velmora::WriteOptions &out) {
  return encoding_from(encoding, out.encoding) && newline_from(newline, out.newline);
}

namespace {

PyObject *problem_list(const std::vector<velmora::WriteProblem> &problems) {
  PyObject *list = PyList_New(static_cast<Py_ssize_t>(problems.size()));
  if (list == nullptr) return nullptr;
  for (std::size_t i = 0; i < problems.size(); ++i) {
    const auto &p = problems[i];
    // The texts may hold what the problem is about, invalid UTF-8 included.
    PyObject *item =
        Py_BuildValue("(s#s#s#)", p.where.data(), static_cast<Py_ssize_t>(p.where.size()),
                      p.key.data(), static_cast<Py_ssize_t>(p.key.size()), p.message.data(),
                      static_cast<Py_ssize_t>(p.message.size()));
    if (item == nullptr) {
      PyErr_Clear();
      item = Py_BuildValue("(y#y#s#)", p.where.data(), static_cast<Py_ssize_t>(p.where.size()),
                           p.key.data(), static_cast<Py_ssize_t>(p.key.size()), p.message.data(),
                           static_cast<Py_ssize_t>(p.message.size()));
    }
    if (item == nullptr) {
      Py_DECREF(list);
      return nullptr;
    }
    PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), item);
  }
  return list;
}

PyObject *run_write_statement(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
  if (nargs != 3) {
    PyErr_SetString(PyExc_TypeError, "write_statement(statement, encoding, newline)");
    return nullptr;
  }
  Py_ssize_t encoding_size = 0, newline_size = 0;
  const char *encoding_name = PyUnicode_AsUTF8AndSize(args[1], &encoding_size);
  if (encoding_name == nullptr) return nullptr;
  const char *newline = PyUnicode_AsUTF8AndSize(args[2], &newline_size);
  if (newline == nullptr) return nullptr;
  velmora::WriteOptions options;
  if (!write_options_from({encoding_name, static_cast<std::size_t>(encoding_size)},
                          {newline, static_cast<std::size_t>(newline_size)}, options))
    return nullptr;
  std::optional<velmora::Statement> statement =
      statement_from_python(args[0], *module_state(module).names);
  if (!statement) return nullptr;
  velmora::WriteResult result;
  {
    DetachedScope detached;
    result = velmora::write_statement(*statement, options);
    statement.reset(); // a large model is freed without the lock too
  }
  if (!result) return problem_list(result.error());
  return PyBytes_FromStringAndSize(result->data(), static_cast<Py_ssize_t>(result->size()));
}

PyObject *write_statement(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
  return guarded("write_statement", [&] { return run_write_statement(module, args, nargs); });
}

PyMethodDef methods[] = {
    {"write_statement",
     reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(write_statement)), METH_FASTCALL,
     "write_statement(statement, encoding, newline)\n--\n\n"
     "The statement's bytes, or the list of (where, key, message) problems that stop it."},
    {nullptr, nullptr, 0, nullptr},
};

} // namespace

PyMethodDef *write_methods() { return methods; }

} // namespace velmora_native
