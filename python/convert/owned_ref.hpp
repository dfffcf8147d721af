#pragma once

#include <Python.h>

#include <memory>

namespace velmora_py {

struct DecRef {
  // A thread that is not attached to the interpreter here is being ended at
  // interpreter exit (CPython unwinds it from the point where it tried to
  // re-attach): it may not touch objects any more, so its references are
  // left to the dying interpreter. Every other release happens attached.
  void operator()(PyObject *object) const {
    if (PyThreadState_GetUnchecked() != nullptr) Py_DECREF(object);
  }
};

// One strong reference, released on scope exit so that every early return
// and every unwinding path gives its objects back. The release runs in a
// noexcept destructor: an object whose finalizer may run Python code (one
// the caller supplied) is dropped with drop() from ordinary code instead,
// since at interpreter exit that code may end the thread by unwinding.
using OwnedRef = std::unique_ptr<PyObject, DecRef>;

// Releases the reference now, from the calling frame rather than from a
// destructor.
inline void drop(OwnedRef &ref) { Py_XDECREF(ref.release()); }

} // namespace velmora_py
