#pragma once

#include <Python.h>

#include <cstddef>
#include <string>

#include "convert/owned_ref.hpp"
#include "velmora/section_hook.hpp"

namespace velmora_py {

// The header as a dictionary, built once per parse. Hooks still get a fresh
// dictionary on every call, since they may change it, but that copy is a
// PyDict_Copy of this one: the keys table is copied and the strings are
// shared, instead of every key and value being decoded again. The reader
// fills the header only before the first section, so it never changes
// between hook calls; the dictionary is rebuilt anyway if a caller hands in
// a different or resized map.
struct PreparedHeader {
  OwnedRef dict;
  const velmora::AttributeMap *source = nullptr;
  std::size_t size = 0;
};

// Adapts one Python callable to the core's SectionHook. Holds one strong
// reference, given back by release() (or on destruction), with the
// interpreter lock held.
class PythonHook final : public velmora::SectionHook {
public:
  // Takes a new reference. `header`, shared by the hooks of one parse and
  // outliving them, may be null: each call then builds the header anew.
  PythonHook(PyObject *callable, PreparedHeader *header);
  ~PythonHook() override;
  PythonHook(const PythonHook &) = delete;
  PythonHook &operator=(const PythonHook &) = delete;

  velmora::HookOutcome call(velmora::SectionType type, velmora::AttributeMap &attrs,
                            const velmora::AttributeMap &header) override;

  // Drops the reference to the callable from ordinary code, where its
  // finalizer may run Python code; the destructor then has nothing to do.
  void release();

  // An internal failure (memory exhaustion, interpreter shutting down, a
  // message that cannot be formatted) ends the parse as an InternalError
  // rather than a HookError: call() then returns Fail and records the
  // description here, and parse() raises it after the core returns. A
  // failed C++ allocation is raised as MemoryError instead.
  bool has_internal_error() const { return !internal_error_.empty(); }
  const std::string &internal_error() const { return internal_error_; }
  bool out_of_memory() const { return out_of_memory_; }

private:
  PyObject *callable_;
  PreparedHeader *header_;
  std::string internal_error_;
  bool out_of_memory_ = false;
};

} // namespace velmora_py
