#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "velmora/model/document.hpp"

namespace velmora {

// The document's field names in the order in which the Python class, and
// every table made from documents, shows them; it groups the fields
// differently from the declaration order. Derived from the field definition.
inline constexpr std::array<std::string_view, kDocumentFieldCount> kDocumentAttributeOrder =
    attribute_order(kDocumentFields);

// The index in kDocumentFields of a field name; kDocumentFieldCount if none.
constexpr std::size_t document_field_index(std::string_view name) {
  return field_index(kDocumentFields, name);
}

} // namespace velmora
