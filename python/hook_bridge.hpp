#pragma once

#include <Python.h>

#include <cstddef>
#include <string>

#include "convert/owned_ref.hpp"
#include "hook_keys.hpp"
#include "velmora/section_hook.hpp"

namespace velmora_py {

// What the hooks of one parse share. The header as a dictionary, built
// once: hooks still get a fresh dictionary on every call, since they may
// change it, but that copy is a PyDict_Copy of this one, the keys table
// copied and the strings shared, instead of every key and value being
// decoded again. The reader fills the header only before the first
// section, so it never changes between hook calls; the dictionary is
// rebuilt anyway if a caller hands in a different or resized map. And the
// key objects of `attrs` (and of the header), made once per parse.
struct PreparedHeader {
  OwnedRef dict;
  const velmora::AttributeMap *source = nullptr;
  std::size_t size = 0;
  KeyObjects keys;
};

// Adapts one Python callable to the core's SectionHook. Holds one strong
// reference, given back by release() (or on destruction), with the
// interpreter lock held.
class PythonHook final : public velmora::SectionHook {
public:
  // Takes a new reference. `header`, shared by the hooks of one parse and
  // outliving them, may be null: each call then builds the header and
  // every key anew.
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
