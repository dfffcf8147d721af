#pragma once

#include <array>
#include <cstddef>

#include "errors/details.hpp"

namespace velmora_py {

// Everything that tells one detail class from another: names, the
// text-signature docstring and the literal pieces of its repr.
struct DetailClass {
  const char *name;
  const char *qualified_name;
  const char *doc;
  const char *constructor;
  const char *repr_head;
  std::size_t text_count;
  std::array<const char *, 3> parameters; // lineno first, then the text fields
  std::array<const char *, 2> repr_pieces;
};

inline constexpr DetailClass kDetailClasses[] = {
    {"UnexpectedSection",
     "velmora_py.UnexpectedSection",
     "UnexpectedSection(lineno, found, context)\n--\n\n",
     "UnexpectedSection.__new__()",
     "UnexpectedSection(lineno=",
     2,
     {"lineno", "found", "context"},
     {", found=", ", context="}},
    {"UnexpectedAttribute",
     "velmora_py.UnexpectedAttribute",
     "UnexpectedAttribute(lineno, key, value)\n--\n\n",
     "UnexpectedAttribute.__new__()",
     "UnexpectedAttribute(lineno=",
     2,
     {"lineno", "key", "value"},
     {", key=", ", value="}},
    {"UnrecognizedLine",
     "velmora_py.UnrecognizedLine",
     "UnrecognizedLine(lineno, line)\n--\n\n",
     "UnrecognizedLine.__new__()",
     "UnrecognizedLine(lineno=",
     1,
     {"lineno", "line"},
     {", line="}},
    {"MissingField",
     "velmora_py.MissingField",
     "MissingField(lineno, field, context)\n--\n\n",
     "MissingField.__new__()",
     "MissingField(lineno=",
     2,
     {"lineno", "field", "context"},
     {", field=", ", context="}},
    {"AccountParseError",
     "velmora_py.AccountParseError",
     "AccountParseError(lineno, message)\n--\n\n",
     "AccountParseError.__new__()",
     "AccountParseError(lineno=",
     1,
     {"lineno", "message"},
     {", message="}},
    {"DocumentParseError",
     "velmora_py.DocumentParseError",
     "DocumentParseError(lineno, message)\n--\n\n",
     "DocumentParseError.__new__()",
     "DocumentParseError(lineno=",
     1,
     {"lineno", "message"},
     {", message="}},
    {"HookError",
     "velmora_py.HookError",
     "HookError(lineno, message)\n--\n\n",
     "HookError.__new__()",
     "HookError(lineno=",
     1,
     {"lineno", "message"},
     {", message="}},
};

constexpr const DetailClass &detail_class(DetailKind kind) {
  return kDetailClasses[static_cast<std::size_t>(kind)];
}

} // namespace velmora_py
