#pragma once

#include <Python.h>

#include <atomic>
#include <mutex>

namespace velmora_py {

// A process-wide, create-once slot for a Python object (a type object or a
// shared instance) that is never freed. The first thread to need the value
// creates it under the cell's mutex; a thread that finds the cell being
// filled waits for the mutex with the interpreter lock released, so the
// creator can run Python code meanwhile.
class OnceCell {
public:
  // Returns a borrowed reference to the value, creating it with `make` (which
  // returns a new reference or nullptr with an exception set) on first use.
  template <class Make> PyObject *get(Make &&make) {
    if (PyObject *v = value_.load(std::memory_order_acquire)) return v;
    if (!mutex_.try_lock()) {
      PyThreadState *ts = PyEval_SaveThread();
      mutex_.lock();
      PyEval_RestoreThread(ts);
    }
    std::lock_guard<std::mutex> guard(mutex_, std::adopt_lock);
    if (PyObject *v = value_.load(std::memory_order_acquire)) return v;
    PyObject *v = make();
    if (v != nullptr) value_.store(v, std::memory_order_release);
    return v;
  }

  PyObject *peek() const { return value_.load(std::memory_order_acquire); }

private:
  std::atomic<PyObject *> value_{nullptr};
  std::mutex mutex_;
};

} // namespace velmora_py
