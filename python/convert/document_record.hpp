#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "convert/compact_texts.hpp"
#include "velmora/model/document.hpp"
#include "velmora/model/document_attribute_order.hpp"

namespace velmora_py {

// A document as Python sees it: one slot per model member, in model order
// (slot i is kDocumentFields[i]), dates and the amount rendered to text, all
// in one compact block. Required slots are always present.
using DocumentRecord = CompactTexts;

DocumentRecord render_document(const velmora::Document &document);

// The attribute names in the order the Python class declares them.
using velmora::kDocumentAttributeOrder;

// The record slot of a model member, by name; kDocumentFieldCount if none.
constexpr std::size_t document_slot(std::string_view name) {
  return velmora::field_index(velmora::kDocumentFields, name);
}

} // namespace velmora_py
