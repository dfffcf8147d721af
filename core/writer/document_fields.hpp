#pragma once

#include <string_view>
#include <variant>

#include "velmora/model/document.hpp"
#include "velmora/model/document_members.hpp"

namespace velmora {

// Calls visit(key, value) for every field of a document in declaration
// order, value being the member itself (text, optional text, date, optional
// date or amount). The one place where the writer walks the field table.
template <class Visit> void for_each_document_field(const Document &document, Visit &&visit) {
  for (std::size_t i = 0; i < kDocumentFieldCount; ++i) {
    std::visit([&](auto member) { visit(kDocumentFields[i].key, document.*member); },
               kDocumentMembers[i]);
  }
}

} // namespace velmora
