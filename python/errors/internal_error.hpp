#pragma once

#include <Python.h>

namespace velmora_py {

// The class of broken-invariant failures: velmora_py.InternalError, derived
// directly from BaseException so that `except Exception` does not swallow it.
// Borrowed, process-lifetime reference; nullptr with an exception on failure.
PyObject *internal_error_type();

// Sets a pending InternalError with the description; always returns nullptr.
// Replaces any exception already pending (a failed allocation's MemoryError
// is kept instead, since it already says what went wrong).
PyObject *raise_internal_error(const char *description);

} // namespace velmora_py
