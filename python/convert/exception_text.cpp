#include "convert/exception_text.hpp"

#include <string_view>

#include "convert/owned_ref.hpp"

namespace velmora_py {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Surrogates U+D800..U+DFFF encode as ED A0..BF xx; valid UTF-8 never
// contains that prefix, so the surrogate-pass bytes can be scanned safely.
bool starts_surrogate(std::string_view bytes, std::size_t i) {
  return i + 2 < bytes.size() && static_cast<unsigned char>(bytes[i]) == 0xED &&
         (static_cast<unsigned char>(bytes[i + 1]) & 0xE0) == 0xA0;
}

void append_replacing_surrogates(std::string &out, std::string_view bytes) {
  std::size_t clean_from = 0;
  for (std::size_t i = 0; i < bytes.size();) {
    if (!starts_surrogate(bytes, i)) {
      ++i;
      continue;
    }
    out.append(bytes.substr(clean_from, i - clean_from));
    for (int k = 0; k < 3; ++k) out.append(kReplacement);
    i += 3;
    clean_from = i;
  }
  out.append(bytes.substr(clean_from));
}

} // namespace

bool append_lossy_utf8(std::string &out, PyObject *str) {
  Py_ssize_t size = 0;
  if (const char *utf8 = PyUnicode_AsUTF8AndSize(str, &size)) {
    out.append(utf8, static_cast<std::size_t>(size));
    return true;
  }
  PyErr_Clear();
  OwnedRef bytes(PyUnicode_AsEncodedString(str, "utf-8", "surrogatepass"));
  if (!bytes) {
    PyErr_Clear();
    return false;
  }
  append_replacing_surrogates(
      out, std::string_view(PyBytes_AS_STRING(bytes.get()),
                            static_cast<std::size_t>(PyBytes_GET_SIZE(bytes.get()))));
  return true;
}

std::expected<std::string, const char *> describe_exception(PyObject *exc) {
  std::string out;
  {
    OwnedRef name(PyType_GetQualName(Py_TYPE(exc)));
    if (!name || !append_lossy_utf8(out, name.get())) {
      PyErr_Clear();
      return std::unexpected("cannot read the qualified name of an exception type");
    }
  }
  out += ": ";
  OwnedRef text(PyObject_Str(exc));
  if (!text) {
    PyErr_Clear();
    out += "<exception str() failed>";
    return out;
  }
  if (!append_lossy_utf8(out, text.get()))
    return std::unexpected("cannot encode the text of an exception");
  return out;
}

} // namespace velmora_py
