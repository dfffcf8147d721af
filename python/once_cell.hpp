#pragma once

#include <Python.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace velmora_py {

// Raises the InternalError for a cell that its own filling thread asked for
// again before the value was ready (a SystemError if that cell is the
// InternalError class's own). Returns nullptr.
PyObject *raise_reentered_first_use();

// A process-wide, create-once slot for a Python object (a type object or a
// shared instance) that is never freed. A cell is filled one way only:
// get() or get_first_published().
class OnceCell {
public:
  // Returns a borrowed reference to the value, creating it with `make` (which
  // returns a new reference or nullptr with an exception set) on first use.
  // The value is created under the cell's mutex, so two threads never both
  // create it; a thread that finds another filling the cell waits with the
  // interpreter lock released, so the creator can run Python code meanwhile.
  // The filling thread itself, asking again from inside `make`, gets an
  // InternalError instead of waiting for itself for ever.
  template <class Make> PyObject *get(Make &&make) {
    if (PyObject *v = value_.load(std::memory_order_acquire)) return v;
    const std::thread::id self = std::this_thread::get_id();
    // Only this thread ever stores its own id here.
    if (filler_.load(std::memory_order_relaxed) == self) return raise_reentered_first_use();
    while (!mutex_.try_lock()) {
      wait_detached();
      if (PyObject *v = value_.load(std::memory_order_acquire)) return v;
    }
    Filling filling(*this, self);
    if (PyObject *v = value_.load(std::memory_order_acquire)) return v;
    PyObject *v = make();
    if (v != nullptr) value_.store(v, std::memory_order_release);
    return v;
  }

  // For a value whose creation runs Python code, which may call back into
  // the module or wait for other threads: `make` runs without any lock, in
  // as many threads (or nested calls) as ask before a value is ready, and
  // the first value published is kept for good; the others are released.
  // Only for values of which a short-lived duplicate is harmless.
  template <class Make> PyObject *get_first_published(Make &&make) {
    if (PyObject *v = value_.load(std::memory_order_acquire)) return v;
    PyObject *mine = make();
    if (mine == nullptr) return nullptr;
    PyObject *first = nullptr;
    if (value_.compare_exchange_strong(first, mine, std::memory_order_acq_rel,
                                       std::memory_order_acquire))
      return mine;
    Py_DECREF(mine);
    return first;
  }

  PyObject *peek() const { return value_.load(std::memory_order_acquire); }

  // Whether the calling thread is creating this cell's value right now.
  bool filled_by_this_thread() const {
    return filler_.load(std::memory_order_relaxed) == std::this_thread::get_id();
  }

private:
  // Marks the calling thread as the filler while it holds the mutex. Its
  // destructor touches no Python state, so it is safe on every unwinding
  // path, including a thread being ended at interpreter exit.
  class Filling {
  public:
    Filling(OnceCell &cell, std::thread::id self) : cell_(cell) {
      cell_.filler_.store(self, std::memory_order_relaxed);
    }
    ~Filling() {
      cell_.filler_.store(std::thread::id(), std::memory_order_relaxed);
      cell_.mutex_.unlock();
    }
    Filling(const Filling &) = delete;
    Filling &operator=(const Filling &) = delete;

  private:
    OnceCell &cell_;
  };

  // Waits until the filling thread is done, detached, and lets the mutex go
  // again before re-attaching: at interpreter exit re-attaching may end this
  // thread, which must not leave the cell locked.
  void wait_detached() {
    PyThreadState *state = PyEval_SaveThread();
    mutex_.lock();
    mutex_.unlock();
    PyEval_RestoreThread(state);
  }

  std::atomic<PyObject *> value_{nullptr};
  std::atomic<std::thread::id> filler_{};
  std::mutex mutex_;
};

} // namespace velmora_py
