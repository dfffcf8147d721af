#pragma once

#include <Python.h>

#include <new>

namespace velmora_py {

// The interpreter returned no object where one was needed (in practice
// memory exhaustion). That is not a fault of the caller's data, so it ends
// the call as an InternalError carrying the description, in place of
// whatever error the interpreter left pending. Always returns nullptr.
PyObject *raise_creation_failure(const char *description);

// A failed C++ allocation: memory exhaustion that Python programs handle,
// raised as MemoryError in place of any pending error; returns nullptr.
PyObject *raise_out_of_memory();

// Runs a C++ step that may run out of memory; std::bad_alloc becomes a
// MemoryError instead of unwinding into the interpreter.
template <class Step> PyObject *guard_allocation(Step &&step) {
  try {
    return step();
  } catch (const std::bad_alloc &) {
    return raise_out_of_memory();
  }
}

} // namespace velmora_py
