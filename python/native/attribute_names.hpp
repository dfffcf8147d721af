#pragma once

#include <Python.h>

#include <array>

#include "velmora/model/document.hpp"

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
  std::array<PyObject *, 6> interval{}; // in the order of velmora::Interval's members
  std::array<PyObject *, velmora::kDocumentFieldCount> document{}; // kDocumentFields order

  AttributeNames() = default;
  AttributeNames(const AttributeNames &) = delete;
  AttributeNames &operator=(const AttributeNames &) = delete;
  ~AttributeNames();

  // False with a Python exception set.
  bool init();
};

// The interval attributes, in the order of velmora::Interval's members.
inline constexpr std::array<const char *, 6> kIntervalAttributes{
    "date_start", "date_end", "start_amount", "end_amount", "total_income", "total_expense"};

} // namespace velmora_native
