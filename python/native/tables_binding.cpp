#include "tables_binding.hpp"

#include <cstdlib>
#include <new>
#include <string>
#include <variant>
#include <vector>

#include "text/codepage.hpp"
#include "velmora/dos_input.hpp"
#include "velmora/tables/statement_tables.hpp"

namespace velmora_native {
namespace {

namespace vt = velmora::tables;

using FileResult = std::variant<vt::FileTables, vt::SourceFailure>;

// --- ParsedFile: one statement's rows, or why it has none -------------------

struct ParsedFileObject {
  PyObject_HEAD FileResult *result;
};

void parsed_file_dealloc(PyObject *self) {
  delete reinterpret_cast<ParsedFileObject *>(self)->result;
  PyTypeObject *type = Py_TYPE(self);
  type->tp_free(self);
  Py_DECREF(type);
}

// (error class name, message, line or None) when the file failed, else None.
PyObject *parsed_file_failure(PyObject *self, void *) {
  const FileResult &result = *reinterpret_cast<ParsedFileObject *>(self)->result;
  const auto *failure = std::get_if<vt::SourceFailure>(&result);
  if (!failure) Py_RETURN_NONE;
  PyObject *line = failure->line ? PyLong_FromUnsignedLongLong(*failure->line) : Py_NewRef(Py_None);
  if (!line) return nullptr;
  return Py_BuildValue("(s#s#N)", failure->error.data(),
                       static_cast<Py_ssize_t>(failure->error.size()), failure->message.data(),
                       static_cast<Py_ssize_t>(failure->message.size()), line);
}

PyGetSetDef parsed_file_getset[] = {
    {"failure", parsed_file_failure, nullptr,
     "(error, message, line) when the statement did not parse, else None", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot parsed_file_slots[] = {
    {Py_tp_dealloc, reinterpret_cast<void *>(parsed_file_dealloc)},
    {Py_tp_getset, parsed_file_getset},
    {Py_tp_doc, const_cast<char *>("One statement read for the tables.")},
    {0, nullptr},
};

PyType_Spec parsed_file_spec = {
    "velmora._native.ParsedFile",
    sizeof(ParsedFileObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    parsed_file_slots,
};

// --- ArrowTable: one finished table, exported through PyCapsules ------------

struct ArrowTableObject {
  PyObject_HEAD vt::Table *table;
};

const vt::Table &table_of(PyObject *self) {
  return *reinterpret_cast<ArrowTableObject *>(self)->table;
}

void arrow_table_dealloc(PyObject *self) {
  delete reinterpret_cast<ArrowTableObject *>(self)->table;
  PyTypeObject *type = Py_TYPE(self);
  type->tp_free(self);
  Py_DECREF(type);
}

// A capsule's structure is released unless a consumer has taken it over
// (and so marked it released).
void schema_capsule_destructor(PyObject *capsule) {
  auto *schema = static_cast<ArrowSchema *>(PyCapsule_GetPointer(capsule, "arrow_schema"));
  if (!schema) {
    PyErr_WriteUnraisable(capsule);
    return;
  }
  if (schema->release) schema->release(schema);
  std::free(schema);
}

void stream_capsule_destructor(PyObject *capsule) {
  auto *stream =
      static_cast<ArrowArrayStream *>(PyCapsule_GetPointer(capsule, "arrow_array_stream"));
  if (!stream) {
    PyErr_WriteUnraisable(capsule);
    return;
  }
  if (stream->release) stream->release(stream);
  std::free(stream);
}

PyObject *arrow_c_schema(PyObject *self, PyObject *) {
  auto *schema = static_cast<ArrowSchema *>(std::malloc(sizeof(ArrowSchema)));
  if (!schema) return PyErr_NoMemory();
  if (table_of(self).export_schema(schema) != 0) {
    std::free(schema);
    return PyErr_NoMemory();
  }
  PyObject *capsule = PyCapsule_New(schema, "arrow_schema", schema_capsule_destructor);
  if (!capsule) {
    schema->release(schema);
    std::free(schema);
  }
  return capsule;
}

// The stream always has the table's own schema; a requested schema is a
// hint that the protocol lets a producer leave unanswered.
PyObject *arrow_c_stream(PyObject *self, PyObject *args, PyObject *kwargs) {
  static const char *keywords[] = {"requested_schema", nullptr};
  PyObject *requested = Py_None;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|O:__arrow_c_stream__",
                                   const_cast<char **>(keywords), &requested))
    return nullptr;
  auto *stream = static_cast<ArrowArrayStream *>(std::malloc(sizeof(ArrowArrayStream)));
  if (!stream) return PyErr_NoMemory();
  if (table_of(self).export_stream(stream) != 0) {
    std::free(stream);
    return PyErr_NoMemory();
  }
  PyObject *capsule = PyCapsule_New(stream, "arrow_array_stream", stream_capsule_destructor);
  if (!capsule) {
    stream->release(stream);
    std::free(stream);
  }
  return capsule;
}

PyObject *arrow_table_num_rows(PyObject *self, void *) {
  return PyLong_FromLongLong(table_of(self).num_rows());
}

PyObject *arrow_table_column_names(PyObject *self, void *) {
  const vt::Table &table = table_of(self);
  PyObject *names = PyTuple_New(static_cast<Py_ssize_t>(table.num_columns()));
  if (!names) return nullptr;
  for (std::size_t i = 0; i < table.num_columns(); ++i) {
    std::string_view name = table.column_name(i);
    PyObject *item = PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
    if (!item) {
      Py_DECREF(names);
      return nullptr;
    }
    PyTuple_SET_ITEM(names, static_cast<Py_ssize_t>(i), item);
  }
  return names;
}

PyMethodDef arrow_table_methods[] = {
    {"__arrow_c_schema__", arrow_c_schema, METH_NOARGS,
     "The table's schema as an Arrow PyCapsule."},
    {"__arrow_c_stream__",
     reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(arrow_c_stream)),
     METH_VARARGS | METH_KEYWORDS, "The table's record batches as an Arrow stream PyCapsule."},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef arrow_table_getset[] = {
    {"num_rows", arrow_table_num_rows, nullptr, "number of rows", nullptr},
    {"column_names", arrow_table_column_names, nullptr, "the column names, in order", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot arrow_table_slots[] = {
    {Py_tp_dealloc, reinterpret_cast<void *>(arrow_table_dealloc)},
    {Py_tp_methods, arrow_table_methods},
    {Py_tp_getset, arrow_table_getset},
    {Py_tp_doc, const_cast<char *>("A table of statements, readable through the Arrow "
                                   "PyCapsule interface.")},
    {0, nullptr},
};

PyType_Spec arrow_table_spec = {
    "velmora._native.ArrowTable",
    sizeof(ArrowTableObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    arrow_table_slots,
};

// --- module functions -------------------------------------------------------

PyTypeObject *module_type(PyObject *module, const char *name) {
  PyObject *type = PyObject_GetAttrString(module, name);
  if (type && !PyType_Check(type)) {
    Py_DECREF(type);
    PyErr_Format(PyExc_TypeError, "velmora._native.%s is not a type", name);
    return nullptr;
  }
  return reinterpret_cast<PyTypeObject *>(type);
}

PyObject *new_parsed_file(PyObject *module, FileResult *result) {
  PyTypeObject *type = module_type(module, "ParsedFile");
  if (!type) {
    delete result;
    return nullptr;
  }
  auto *object = reinterpret_cast<ParsedFileObject *>(type->tp_alloc(type, 0));
  Py_DECREF(type);
  if (!object) {
    delete result;
    return nullptr;
  }
  object->result = result;
  return reinterpret_cast<PyObject *>(object);
}

// read_file(data, threads=1): parses one statement with the interpreter
// lock released, a large one in up to `threads` parts at once; a DOS
// (IBM866) statement is recognised and read as its text. Read-only
// buffers (bytes, mmap) are read in place; a buffer that another thread
// could change meanwhile (bytearray) is copied first.
PyObject *read_file(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
  if (nargs < 1 || nargs > 2) {
    PyErr_Format(PyExc_TypeError, "read_file() takes 1 or 2 arguments (%zd given)", nargs);
    return nullptr;
  }
  std::size_t threads = 1;
  if (nargs == 2) {
    const Py_ssize_t asked = PyLong_AsSsize_t(args[1]);
    if (asked == -1 && PyErr_Occurred()) return nullptr;
    if (asked < 1) {
      PyErr_SetString(PyExc_ValueError, "threads must be at least 1");
      return nullptr;
    }
    threads = static_cast<std::size_t>(asked);
  }
  Py_buffer view;
  if (PyObject_GetBuffer(args[0], &view, PyBUF_SIMPLE) < 0) return nullptr;
  FileResult *result = nullptr;
  bool no_memory = false;
  PyThreadState *thread = PyEval_SaveThread();
  try {
    std::string copy;
    std::string_view bytes(static_cast<const char *>(view.buf), static_cast<std::size_t>(view.len));
    if (!view.readonly) {
      copy.assign(bytes);
      bytes = copy;
    }
    // A DOS statement is read as its text, as velmora.read reads it.
    std::string dos;
    if (velmora::is_dos_statement(bytes)) {
      dos = velmora::text::decode_code_page(velmora::text::CodePage::Ibm866, bytes);
      bytes = dos;
    }
    auto parsed = vt::read_file_tables(bytes, threads);
    result =
        parsed ? new FileResult(std::move(*parsed)) : new FileResult(std::move(parsed.error()));
  } catch (const std::bad_alloc &) {
    no_memory = true;
  }
  PyEval_RestoreThread(thread);
  PyBuffer_Release(&view);
  if (no_memory) return PyErr_NoMemory();
  return new_parsed_file(module, result);
}

bool utf8_of(PyObject *object, std::string &out, const char *what) {
  if (!PyUnicode_Check(object)) {
    PyErr_Format(PyExc_TypeError, "%s must be a str, not %.200s", what, Py_TYPE(object)->tp_name);
    return false;
  }
  Py_ssize_t size;
  const char *text = PyUnicode_AsUTF8AndSize(object, &size);
  if (!text) return false;
  out.assign(text, static_cast<std::size_t>(size));
  return true;
}

// A failure given from Python: (error class name, message, line or None).
bool failure_of(PyObject *item, vt::SourceFailure &out) {
  if (!PyTuple_Check(item) || PyTuple_GET_SIZE(item) != 3) {
    PyErr_SetString(PyExc_TypeError, "a failure must be a tuple (error, message, line or None)");
    return false;
  }
  if (!utf8_of(PyTuple_GET_ITEM(item, 0), out.error, "error") ||
      !utf8_of(PyTuple_GET_ITEM(item, 1), out.message, "message"))
    return false;
  PyObject *line = PyTuple_GET_ITEM(item, 2);
  if (line == Py_None) return true;
  unsigned long long value = PyLong_AsUnsignedLongLong(line);
  if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return false;
  out.line = value;
  return true;
}

bool source_rows_of(PyObject *item, PyTypeObject *parsed_type, std::vector<vt::SourceRows> &out) {
  if (!PyTuple_Check(item) || PyTuple_GET_SIZE(item) != 2) {
    PyErr_SetString(PyExc_TypeError, "each item must be a tuple (source, ParsedFile or failure)");
    return false;
  }
  vt::SourceRows rows{{}, vt::SourceFailure{}};
  if (!utf8_of(PyTuple_GET_ITEM(item, 0), rows.source, "source")) return false;
  PyObject *what = PyTuple_GET_ITEM(item, 1);
  if (Py_IS_TYPE(what, parsed_type)) {
    rows.rows = *reinterpret_cast<ParsedFileObject *>(what)->result;
  } else {
    vt::SourceFailure failure;
    if (!failure_of(what, failure)) return false;
    rows.rows = std::move(failure);
  }
  out.push_back(std::move(rows));
  return true;
}

PyObject *new_arrow_table(PyTypeObject *type, const vt::Table &table) {
  auto *object = reinterpret_cast<ArrowTableObject *>(type->tp_alloc(type, 0));
  if (!object) return nullptr;
  object->table = new (std::nothrow) vt::Table(table);
  if (!object->table) {
    Py_DECREF(object);
    return PyErr_NoMemory();
  }
  return reinterpret_cast<PyObject *>(object);
}

// assemble(items): the five tables, in the order of the table names, from
// a sequence of (source, ParsedFile or failure tuple).
PyObject *assemble(PyObject *module, PyObject *items) {
  PyObject *sequence = PySequence_Fast(items, "assemble() takes a sequence of items");
  if (!sequence) return nullptr;
  PyTypeObject *parsed_type = module_type(module, "ParsedFile");
  PyTypeObject *table_type = parsed_type ? module_type(module, "ArrowTable") : nullptr;
  PyObject *result = nullptr;
  if (table_type) {
    try {
      std::vector<vt::SourceRows> sources;
      bool ok = true;
      Py_ssize_t n = PySequence_Fast_GET_SIZE(sequence);
      for (Py_ssize_t i = 0; ok && i < n; ++i) {
        ok = source_rows_of(PySequence_Fast_GET_ITEM(sequence, i), parsed_type, sources);
      }
      if (ok) {
        vt::StatementTables tables;
        bool no_memory = false;
        // Nothing may leave the unlocked stretch by an exception: the lock
        // is taken back first.
        PyThreadState *thread = PyEval_SaveThread();
        try {
          tables = vt::assemble_tables(sources);
          sources.clear();
        } catch (const std::bad_alloc &) {
          no_memory = true;
        }
        PyEval_RestoreThread(thread);
        if (no_memory) throw std::bad_alloc();
        result = PyTuple_New(vt::kTableCount);
        for (std::size_t i = 0; result && i < vt::kTableCount; ++i) {
          PyObject *table = new_arrow_table(table_type, tables.tables[i]);
          if (!table)
            Py_CLEAR(result);
          else
            PyTuple_SET_ITEM(result, static_cast<Py_ssize_t>(i), table);
        }
      }
    } catch (const std::bad_alloc &) {
      Py_CLEAR(result);
      PyErr_NoMemory();
    }
  }
  Py_XDECREF(table_type);
  Py_XDECREF(parsed_type);
  Py_DECREF(sequence);
  return result;
}

PyMethodDef methods[] = {
    {"read_file", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(read_file)),
     METH_FASTCALL,
     "read_file(data, threads=1, /)\n--\n\nParses one statement (a bytes-like object) for the "
     "tables,\na large one in up to `threads` parts at once."},
    {"assemble", assemble, METH_O,
     "assemble(items, /)\n--\n\nThe five tables from (source, ParsedFile or (error, message, "
     "line)) items."},
    {nullptr, nullptr, 0, nullptr},
};

} // namespace

PyMethodDef *tables_methods() { return methods; }

int tables_exec(PyObject *module) {
  PyObject *parsed = PyType_FromModuleAndSpec(module, &parsed_file_spec, nullptr);
  if (!parsed) return -1;
  int rc = PyModule_AddObjectRef(module, "ParsedFile", parsed);
  Py_DECREF(parsed);
  if (rc < 0) return -1;
  PyObject *table = PyType_FromModuleAndSpec(module, &arrow_table_spec, nullptr);
  if (!table) return -1;
  rc = PyModule_AddObjectRef(module, "ArrowTable", table);
  Py_DECREF(table);
  if (rc < 0) return -1;
  PyObject *names = PyTuple_New(vt::kTableCount);
  if (!names) return -1;
  for (std::size_t i = 0; i < vt::kTableCount; ++i) {
    std::string_view name = vt::kTableNames[i];
    PyObject *item = PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
    if (!item) {
      Py_DECREF(names);
      return -1;
    }
    PyTuple_SET_ITEM(names, static_cast<Py_ssize_t>(i), item);
  }
  return PyModule_Add(module, "TABLE_NAMES", names);
}

} // namespace velmora_native
