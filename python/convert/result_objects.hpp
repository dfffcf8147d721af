#pragma once

#include <Python.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/document_record.hpp"
#include "convert/interval_record.hpp"

namespace velmora_py {

// Constructors of the result objects; each returns a new reference, or
// nullptr with an InternalError when the interpreter cannot create it.
PyObject *new_interval(IntervalRecord &&record);
PyObject *new_account(std::string &&number, std::vector<IntervalRecord> &&intervals);
PyObject *new_document(DocumentRecord &&record);

// What a Statement holds: the encoding name, the four containers (stolen
// references) and the counts shown by its repr.
struct StatementParts {
  std::string_view encoding; // static text
  PyObject *header;
  PyObject *accounts;
  PyObject *documents;
  PyObject *warnings;
  std::uint64_t document_count;
  std::uint64_t warning_count;
};

// Takes the four references over, also on failure.
PyObject *new_statement(const StatementParts &parts);

} // namespace velmora_py
