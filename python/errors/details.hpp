#pragma once

#include <Python.h>

#include <cstdint>
#include <span>
#include <string_view>

namespace velmora_py {

// The detail records that a velmora_py.SyntaxError carries, one class per
// syntax error kind of the core.
enum class DetailKind {
  UnexpectedSection,
  UnexpectedAttribute,
  UnrecognizedLine,
  MissingField,
  AccountParseError,
  DocumentParseError,
  HookError,
};

inline constexpr DetailKind kDetailKinds[] = {
    DetailKind::UnexpectedSection, DetailKind::UnexpectedAttribute, DetailKind::UnrecognizedLine,
    DetailKind::MissingField,      DetailKind::AccountParseError,   DetailKind::DocumentParseError,
    DetailKind::HookError,
};

// The class, created once per process (borrowed; nullptr with an exception
// set when it cannot be created).
PyTypeObject *detail_type(DetailKind kind);

// The class name as registered in the module, e.g. "UnrecognizedLine".
const char *detail_name(DetailKind kind);

// A new detail object; `texts` are the text fields in constructor order
// (valid UTF-8) and must match the kind's field count.
PyObject *new_detail(DetailKind kind, std::uint64_t lineno,
                     std::span<const std::string_view> texts);

} // namespace velmora_py
