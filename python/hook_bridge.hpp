#pragma once

#include <Python.h>

#include <string>

#include "velmora/section_hook.hpp"

namespace velmora_py {

// Adapts one Python callable to the core's SectionHook. Holds one strong
// reference, released on destruction (which must happen with the
// interpreter lock held).
class PythonHook final : public velmora::SectionHook {
public:
  explicit PythonHook(PyObject *callable); // takes a new reference
  ~PythonHook() override;
  PythonHook(const PythonHook &) = delete;
  PythonHook &operator=(const PythonHook &) = delete;

  velmora::HookOutcome call(velmora::SectionType type, velmora::AttributeMap &attrs,
                            const velmora::AttributeMap &header) override;

  // An internal failure (memory exhaustion, interpreter shutting down, a
  // message that cannot be formatted) ends the parse as an InternalError
  // rather than a HookError: call() then returns Fail and records the
  // description here, and parse() raises it after the core returns.
  bool has_internal_error() const { return !internal_error_.empty(); }
  const std::string &internal_error() const { return internal_error_; }

private:
  PyObject *callable_;
  std::string internal_error_;
};

} // namespace velmora_py
