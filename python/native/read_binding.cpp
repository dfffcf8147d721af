// dos_text(data) -> bytes | None
//
// For velmora.read: the UTF-8 text of a statement that the format marks as
// DOS (IBM866), or None for any other input, which is parsed as it is.

#include <Python.h>

#include "bindings.hpp"
#include "text/codepage.hpp"
#include "velmora/dos_input.hpp"

namespace velmora_native {
namespace {

// The bytes are decoded straight into the result object, sized beforehand,
// so the text is written once; the work runs without the interpreter lock.
PyObject *run_dos_text(PyObject *data) {
  Py_buffer view;
  if (PyObject_GetBuffer(data, &view, PyBUF_SIMPLE) < 0) return nullptr;
  const std::string_view bytes(static_cast<const char *>(view.buf),
                               static_cast<std::size_t>(view.len));
  bool dos = false;
  std::size_t size = 0;
  Py_BEGIN_ALLOW_THREADS dos = velmora::is_dos_statement(bytes);
  if (dos) size = velmora::text::decoded_code_page_size(velmora::text::CodePage::Ibm866, bytes);
  Py_END_ALLOW_THREADS PyObject *result = nullptr;
  if (!dos) {
    result = Py_NewRef(Py_None);
  } else if ((result = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size))) !=
             nullptr) {
    char *out = PyBytes_AS_STRING(result);
    Py_BEGIN_ALLOW_THREADS velmora::text::decode_code_page_into(velmora::text::CodePage::Ibm866,
                                                                bytes, out);
    Py_END_ALLOW_THREADS
  }
  PyBuffer_Release(&view);
  return result;
}

PyObject *dos_text(PyObject *, PyObject *data) {
  return guarded("dos_text", [&] { return run_dos_text(data); });
}

PyMethodDef methods[] = {
    {"dos_text", dos_text, METH_O,
     "dos_text(data)\n--\n\n"
     "The UTF-8 text of a statement marked as DOS (IBM866), or None for any other input."},
    {nullptr, nullptr, 0, nullptr},
};

} // namespace

PyMethodDef *read_methods() { return methods; }

} // namespace velmora_native
