#include "section_type.hpp"

#include <cstdint>

#include "convert/owned_ref.hpp"
#include "once_cell.hpp"

namespace velmora_py {
namespace {

struct SectionTypeObject {
  PyObject_HEAD std::uint8_t value;
};

// The members are created together with the class, since they are its
// attributes; these cells only hand them out afterwards.
OnceCell member_cells[2];

std::uint8_t value_of(PyObject *self) { return reinterpret_cast<SectionTypeObject *>(self)->value; }

PyObject *section_type_repr(PyObject *self) {
  return PyUnicode_FromString(value_of(self) == 0 ? "SectionType.Document" : "SectionType.Account");
}

PyObject *section_type_int(PyObject *self) { return PyLong_FromLong(value_of(self)); }

PyObject *section_type_richcompare(PyObject *a, PyObject *b, int op) {
  PyTypeObject *type = Py_TYPE(a);
  if ((op != Py_EQ && op != Py_NE) || !PyObject_TypeCheck(b, type)) Py_RETURN_NOTIMPLEMENTED;
  bool equal = value_of(a) == value_of(b);
  return Py_NewRef(equal == (op == Py_EQ) ? Py_True : Py_False);
}

void section_type_dealloc(PyObject *self) {
  PyTypeObject *type = Py_TYPE(self);
  type->tp_free(self);
  Py_DECREF(type);
}

PyObject *new_member(PyTypeObject *type, std::uint8_t value) {
  PyObject *self = type->tp_alloc(type, 0);
  if (self != nullptr) reinterpret_cast<SectionTypeObject *>(self)->value = value;
  return self;
}

PyType_Slot section_type_slots[] = {
    {Py_tp_doc, const_cast<char *>("Тип секции выписки для использования в hooks.")},
    {Py_tp_dealloc, reinterpret_cast<void *>(section_type_dealloc)},
    {Py_tp_repr, reinterpret_cast<void *>(section_type_repr)},
    {Py_nb_int, reinterpret_cast<void *>(section_type_int)},
    {Py_tp_richcompare, reinterpret_cast<void *>(section_type_richcompare)},
    {Py_tp_hash, reinterpret_cast<void *>(PyObject_HashNotImplemented)},
    {0, nullptr},
};

PyType_Spec section_type_spec = {
    "velmora_py.SectionType",
    sizeof(SectionTypeObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    section_type_slots,
};

// The class is immutable once published, so its members go into its
// dictionary before anyone else can see it.
PyObject *make_section_type() {
  OwnedRef type_object(PyType_FromSpec(&section_type_spec));
  if (!type_object) return nullptr;
  auto *type = reinterpret_cast<PyTypeObject *>(type_object.get());
  OwnedRef document(new_member(type, 0));
  if (!document) return nullptr;
  OwnedRef account(new_member(type, 1));
  if (!account) return nullptr;
  OwnedRef dict(PyType_GetDict(type));
  if (!dict || PyDict_SetItemString(dict.get(), "Document", document.get()) < 0 ||
      PyDict_SetItemString(dict.get(), "Account", account.get()) < 0)
    return nullptr;
  PyType_Modified(type);
  member_cells[0].get([&] { return document.release(); });
  member_cells[1].get([&] { return account.release(); });
  return type_object.release();
}

} // namespace

PyTypeObject *section_type_type() {
  static OnceCell cell;
  return reinterpret_cast<PyTypeObject *>(cell.get(make_section_type));
}

PyObject *section_type_member(velmora::SectionType type) {
  if (section_type_type() == nullptr) return nullptr;
  return member_cells[type == velmora::SectionType::Document ? 0 : 1].peek();
}

} // namespace velmora_py
