#include "errors/details.hpp"

#include <array>
#include <new>
#include <string>
#include <utility>

#include "arguments.hpp"
#include "convert/owned_ref.hpp"
#include "errors/detail_classes.hpp"
#include "errors/detail_fields.hpp"
#include "errors/internal_error.hpp"
#include "once_cell.hpp"
#include "text/quote.hpp"

namespace velmora_py {
namespace {

// The interpreter stores what follows the text signature, here nothing, as
// an empty __doc__; a class with only a signature documents nothing, so its
// __doc__ becomes None before the class is published.
PyObject *new_final_type(PyType_Spec *spec) {
  OwnedRef type(PyType_FromSpec(spec));
  if (!type) return nullptr;
  auto *type_object = reinterpret_cast<PyTypeObject *>(type.get());
  OwnedRef dict(PyType_GetDict(type_object));
  if (!dict || PyDict_SetItemString(dict.get(), "__doc__", Py_None) < 0) return nullptr;
  PyType_Modified(type_object);
  return type.release();
}

// object.__reduce_ex__(self, protocol), which a detail class overrides only
// for the oldest protocols.
PyObject *object_reduce_ex(PyObject *self, PyObject *protocol) {
  OwnedRef method(
      PyObject_GetAttrString(reinterpret_cast<PyObject *>(&PyBaseObject_Type), "__reduce_ex__"));
  if (!method) return nullptr;
  return PyObject_CallFunctionObjArgs(method.get(), self, protocol, nullptr);
}

template <std::size_t N> struct DetailObject {
  PyObject_HEAD std::uint64_t lineno;
  std::array<std::string, N> texts;
};

// One detail class: its object layout, slots and type cell, all fixed by the
// kind's entry in kDetailClasses.
template <DetailKind K> struct Detail {
  static constexpr const DetailClass &cls = detail_class(K);
  static constexpr std::size_t N = cls.text_count;
  using Object = DetailObject<N>;
  using Texts = std::array<std::string, N>;

  static Object &self(PyObject *object) { return *reinterpret_cast<Object *>(object); }

  // The strings are built before the object so that a failed allocation
  // leaves nothing half-constructed behind.
  static PyObject *create(PyTypeObject *type, std::uint64_t lineno,
                          std::span<const std::string_view> texts) {
    Texts copies;
    try {
      for (std::size_t i = 0; i < N; ++i) copies[i].assign(texts[i]);
    } catch (const std::bad_alloc &) {
      return PyErr_NoMemory();
    }
    PyObject *object = type->tp_alloc(type, 0);
    if (object == nullptr) return nullptr;
    self(object).lineno = lineno;
    new (&self(object).texts) Texts(std::move(copies));
    return object;
  }

  static PyObject *construct(PyTypeObject *type, PyObject *args, PyObject *kwargs) {
    std::array<OwnedRef, N + 1> values;
    Parameters parameters{cls.constructor, std::span(cls.parameters.data(), N + 1), N + 1};
    if (!bind_call(parameters, args, kwargs, values)) return nullptr;
    std::uint64_t lineno = 0;
    if (!extract_lineno(values[0].get(), cls.parameters[0], lineno)) return nullptr;
    std::array<std::string_view, N> texts;
    for (std::size_t i = 0; i < N; ++i)
      if (!extract_text(values[i + 1].get(), cls.parameters[i + 1], texts[i])) return nullptr;
    return create(type, lineno, texts);
  }

  static void dealloc(PyObject *object) {
    self(object).texts.~Texts();
    PyTypeObject *type = Py_TYPE(object);
    type->tp_free(object);
    Py_DECREF(type);
  }

  static PyObject *repr(PyObject *object) {
    const Object &o = self(object);
    try {
      std::string out = cls.repr_head;
      out += std::to_string(o.lineno);
      for (std::size_t i = 0; i < N; ++i) {
        out += cls.repr_pieces[i];
        velmora::text::append_quoted(out, o.texts[i]);
      }
      out += ')';
      return text_to_str(out);
    } catch (const std::bad_alloc &) {
      return PyErr_NoMemory();
    }
  }

  static PyObject *getnewargs(PyObject *object, PyObject *) {
    const Object &o = self(object);
    OwnedRef args(PyTuple_New(N + 1));
    if (!args) return nullptr;
    PyObject *lineno = PyLong_FromUnsignedLongLong(o.lineno);
    if (lineno == nullptr) return nullptr;
    PyTuple_SET_ITEM(args.get(), 0, lineno);
    for (std::size_t i = 0; i < N; ++i) {
      PyObject *text = text_to_str(o.texts[i]);
      if (text == nullptr) return nullptr;
      PyTuple_SET_ITEM(args.get(), i + 1, text);
    }
    return args.release();
  }

  // Protocols 0 and 1 would go through copyreg, which cannot pickle an
  // object without an instance dictionary; they get the class and the
  // constructor arguments instead. Later protocols keep object's own
  // reduction, which calls __getnewargs__.
  static PyObject *reduce_ex(PyObject *object, PyObject *protocol) {
    long number = PyLong_AsLong(protocol);
    if (number == -1 && PyErr_Occurred()) return nullptr;
    if (number >= 2) return object_reduce_ex(object, protocol);
    OwnedRef args(getnewargs(object, nullptr));
    if (!args) return nullptr;
    return PyTuple_Pack(2, reinterpret_cast<PyObject *>(Py_TYPE(object)), args.get());
  }

  static PyObject *get_lineno(PyObject *object, void *) {
    return PyLong_FromUnsignedLongLong(self(object).lineno);
  }

  template <std::size_t I> static PyObject *get_text(PyObject *object, void *) {
    return text_to_str(self(object).texts[I]);
  }

  template <std::size_t... I>
  static constexpr std::array<PyGetSetDef, N + 2> make_getset(std::index_sequence<I...>) {
    return {{
        {cls.parameters[0], get_lineno, nullptr, nullptr, nullptr},
        {cls.parameters[I + 1], get_text<I>, nullptr, nullptr, nullptr}...,
        {nullptr, nullptr, nullptr, nullptr, nullptr},
    }};
  }

  static inline std::array<PyGetSetDef, N + 2> getset = make_getset(std::make_index_sequence<N>{});

  static inline PyMethodDef methods[] = {
      {"__getnewargs__", getnewargs, METH_NOARGS, "__getnewargs__($self)\n--\n\n"},
      {"__reduce_ex__", reduce_ex, METH_O, "__reduce_ex__($self, protocol, /)\n--\n\n"},
      {nullptr, nullptr, 0, nullptr},
  };

  static inline PyType_Slot slots[] = {
      {Py_tp_doc, const_cast<char *>(cls.doc)},
      {Py_tp_new, reinterpret_cast<void *>(construct)},
      {Py_tp_dealloc, reinterpret_cast<void *>(dealloc)},
      {Py_tp_repr, reinterpret_cast<void *>(repr)},
      {Py_tp_methods, methods},
      {Py_tp_getset, getset.data()},
      {0, nullptr},
  };

  // Final (no Py_TPFLAGS_BASETYPE) and immutable; no dict or weakref slot.
  static inline PyType_Spec spec = {cls.qualified_name, sizeof(Object), 0,
                                    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE, slots};

  static PyTypeObject *type() {
    static OnceCell cell;
    return reinterpret_cast<PyTypeObject *>(cell.get([] { return new_final_type(&spec); }));
  }

  static PyObject *make(std::uint64_t lineno, std::span<const std::string_view> texts) {
    if (texts.size() != N) return raise_internal_error("wrong field count for a detail object");
    PyTypeObject *t = type();
    return t == nullptr ? nullptr : create(t, lineno, texts);
  }
};

struct DetailOps {
  PyTypeObject *(*type)();
  PyObject *(*make)(std::uint64_t, std::span<const std::string_view>);
};

template <DetailKind K> constexpr DetailOps ops_of() {
  return {&Detail<K>::type, &Detail<K>::make};
}

constexpr DetailOps kDetailOps[] = {
    ops_of<DetailKind::UnexpectedSection>(), ops_of<DetailKind::UnexpectedAttribute>(),
    ops_of<DetailKind::UnrecognizedLine>(),  ops_of<DetailKind::MissingField>(),
    ops_of<DetailKind::AccountParseError>(), ops_of<DetailKind::DocumentParseError>(),
    ops_of<DetailKind::HookError>(),
};

const DetailOps &ops(DetailKind kind) { return kDetailOps[static_cast<std::size_t>(kind)]; }

} // namespace

PyTypeObject *detail_type(DetailKind kind) { return ops(kind).type(); }

const char *detail_name(DetailKind kind) { return detail_class(kind).name; }

PyObject *new_detail(DetailKind kind, std::uint64_t lineno,
                     std::span<const std::string_view> texts) {
  return ops(kind).make(lineno, texts);
}

} // namespace velmora_py
