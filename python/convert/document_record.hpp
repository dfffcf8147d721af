#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "velmora/model/document.hpp"
#include "velmora/model/document_attribute_order.hpp"

namespace velmora_py {

// A document as Python sees it: one slot per model member, in model order
// (slot i is kDocumentFields[i]), dates and the amount rendered to text.
// Required slots are always present.
using DocumentRecord = std::array<std::optional<std::string>, velmora::kDocumentFieldCount>;

// Moves the model's texts over; only the four typed fields allocate.
DocumentRecord render_document(velmora::Document &&document);

// The attribute names in the order the Python class declares them.
using velmora::kDocumentAttributeOrder;

// The record slot of a model member, by name; kDocumentFieldCount if none.
constexpr std::size_t document_slot(std::string_view name) {
  return velmora::field_index(velmora::kDocumentFields, name);
}

} // namespace velmora_py
