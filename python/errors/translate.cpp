#include "errors/translate.hpp"

#include <array>
#include <new>
#include <string>
#include <string_view>

#include "convert/owned_ref.hpp"
#include "errors/details.hpp"
#include "errors/exceptions.hpp"
#include "errors/internal_error.hpp"

namespace velmora_py {
namespace {

using Kind = velmora::ParseError::Kind;

PyObject *message_str(const velmora::ParseError &error) {
  try {
    std::string message = error.display();
    return PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()), nullptr);
  } catch (const std::bad_alloc &) {
    return PyErr_NoMemory();
  }
}

PyObject *raise_plain(PyObject *type, const velmora::ParseError &error) {
  if (type == nullptr) return nullptr;
  OwnedRef message(message_str(error));
  if (message) PyErr_SetObject(type, message.get());
  return nullptr;
}

PyObject *new_detail_for(const velmora::ParseError &error) {
  std::uint64_t lineno = error.lineno();
  switch (error.kind()) {
  case Kind::UnexpectedSection: {
    std::array<std::string_view, 2> texts{error.found(), error.context_name()};
    return new_detail(DetailKind::UnexpectedSection, lineno, texts);
  }
  case Kind::UnexpectedAttribute: {
    std::array<std::string_view, 2> texts{error.key(), error.value()};
    return new_detail(DetailKind::UnexpectedAttribute, lineno, texts);
  }
  case Kind::UnrecognizedLine: {
    std::array<std::string_view, 1> texts{error.line()};
    return new_detail(DetailKind::UnrecognizedLine, lineno, texts);
  }
  case Kind::MissingField: {
    std::array<std::string_view, 2> texts{error.field(), error.context_name()};
    return new_detail(DetailKind::MissingField, lineno, texts);
  }
  case Kind::AccountParseError: {
    std::array<std::string_view, 1> texts{error.message()};
    return new_detail(DetailKind::AccountParseError, lineno, texts);
  }
  case Kind::DocumentParseError: {
    std::array<std::string_view, 1> texts{error.message()};
    return new_detail(DetailKind::DocumentParseError, lineno, texts);
  }
  case Kind::HookError: {
    std::array<std::string_view, 1> texts{error.message()};
    return new_detail(DetailKind::HookError, lineno, texts);
  }
  // Raised without a detail (raise_parse_error), so they never get here.
  case Kind::Unfinished:
  case Kind::NotStatement:
  case Kind::EmptyInput: break;
  }
  // No default in the switch, so that -Wswitch names a kind added later. The
  // kinds without a detail, and a value outside the enumeration, end here.
  return raise_internal_error("a parse error without detail reached the detail step");
}

// The instance exists before it is raised so that its detail can be set.
PyObject *raise_syntax_error(const velmora::ParseError &error) {
  PyObject *type = syntax_error_type();
  if (type == nullptr) return nullptr;
  OwnedRef message(message_str(error));
  if (!message) return nullptr;
  OwnedRef exc(PyObject_CallOneArg(type, message.get()));
  if (!exc) return nullptr;
  OwnedRef detail(new_detail_for(error));
  if (!detail) return nullptr;
  if (PyObject_SetAttrString(exc.get(), "detail", detail.get()) < 0) return nullptr;
  PyErr_SetRaisedException(exc.release());
  return nullptr;
}

} // namespace

PyObject *raise_parse_error(const velmora::ParseError &error) {
  switch (error.kind()) {
  case Kind::Unfinished: return raise_plain(unfinished_error_type(), error);
  case Kind::NotStatement: return raise_plain(not_statement_error_type(), error);
  case Kind::EmptyInput: return raise_plain(empty_input_error_type(), error);
  case Kind::UnexpectedSection:
  case Kind::UnexpectedAttribute:
  case Kind::UnrecognizedLine:
  case Kind::MissingField:
  case Kind::AccountParseError:
  case Kind::DocumentParseError:
  case Kind::HookError: return raise_syntax_error(error);
  }
  // Only a value outside the enumeration gets here (no default above, so
  // that -Wswitch names a kind added later).
  return raise_internal_error("a parse error of an unknown kind");
}

} // namespace velmora_py
