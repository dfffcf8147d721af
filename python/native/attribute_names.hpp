#pragma once

#include <Python.h>

#include <array>

#include "velmora/model/document.hpp"
#include "velmora/model/interval.hpp"

namespace velmora_native {

// The attribute names of velmora_py's result objects, interned once per
// module so that reading a statement hashes no name twice.
struct AttributeNames {
  PyObject *encoding = nullptr;
  PyObject *header = nullptr;
  PyObject *accounts = nullptr;
  PyObject *documents = nullptr;
  PyObject *number = nullptr;
  PyObject *intervals = nullptr;
  std::array<PyObject *, velmora::kIntervalFieldCount> interval{}; // kIntervalFields order
  std::array<PyObject *, velmora::kDocumentFieldCount> document{}; // kDocumentFields order

  AttributeNames() = default;
  AttributeNames(const AttributeNames &) = delete;
  AttributeNames &operator=(const AttributeNames &) = delete;
  ~AttributeNames();

  // False with a Python exception set.
  bool init();
};

} // namespace velmora_native
