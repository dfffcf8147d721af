#pragma once

#include <Python.h>

#include <cstddef>
#include <span>

#include "convert/owned_ref.hpp"

namespace velmora_py {

// The parameters of a native callable as argument binding sees them: each
// may be given by position or by keyword, and the first `required` must be
// given. `function` names the callable in messages, e.g. "parse()".
struct Parameters {
  const char *function;
  std::span<const char *const> names;
  std::size_t required;
};

// Binds the arguments of a vectorcall (positional array plus a tuple of
// keyword names) to the parameters: out[i] receives a new reference to the
// value of names[i] and stays empty for an omitted optional parameter.
// Faults raise TypeError in the interpreter's own wording and return false.
bool bind_vectorcall(const Parameters &parameters, PyObject *const *args, Py_ssize_t nargs,
                     PyObject *kwnames, std::span<OwnedRef> out);

// The same for a tp_new style call: a positional tuple and an optional
// keyword dictionary.
bool bind_call(const Parameters &parameters, PyObject *args, PyObject *kwargs,
               std::span<OwnedRef> out);

} // namespace velmora_py
