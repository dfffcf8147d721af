#pragma once

#include <Python.h>

#include <new>
#include <string_view>

#include "velmora/writer/write_options.hpp"

namespace velmora_native {

// The module's functions, one table per binding, each ended by an empty
// entry; module.cpp adds them all. Every function receives the module as its
// first argument, for the module state.
PyMethodDef *check_methods();
PyMethodDef *orders_methods();
PyMethodDef *read_methods();
PyMethodDef *write_methods();

// The writer's options from their Python names ("cp1251", "utf-8",
// "cp866"; "\r\n", "\n"); false with a ValueError set for any other.
bool write_options_from(std::string_view encoding, std::string_view newline,
                        velmora::WriteOptions &out);

// Detaches the thread from the interpreter for one scope; unwinding
// re-attaches it too.
class DetachedScope {
public:
  DetachedScope() : state_(PyEval_SaveThread()) {}
  ~DetachedScope() { PyEval_RestoreThread(state_); }
  DetachedScope(const DetachedScope &) = delete;
  DetachedScope &operator=(const DetachedScope &) = delete;

private:
  PyThreadState *state_;
};

// Runs a binding's body, turning a C++ exception (an allocation failure,
// say) into a Python one: none may cross into the interpreter.
template <class Body> PyObject *guarded(const char *function, Body &&body) {
  try {
    return body();
  } catch (const std::bad_alloc &) {
    return PyErr_NoMemory();
  } catch (...) {
    PyErr_Format(PyExc_SystemError, "velmora._native.%s: unexpected C++ exception", function);
    return nullptr;
  }
}

} // namespace velmora_native
