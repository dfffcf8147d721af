#pragma once

#include <Python.h>

#include <memory>

namespace velmora_py {

struct DecRef {
  void operator()(PyObject *object) const { Py_DECREF(object); }
};

// One strong reference, released on scope exit so that every early return
// and every unwinding path gives its objects back.
using OwnedRef = std::unique_ptr<PyObject, DecRef>;

} // namespace velmora_py
