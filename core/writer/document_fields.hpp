#pragma once

#include <string_view>

#include "velmora/model/document.hpp"

namespace velmora {

// Calls visit(key, value) for every field of a document in declaration
// order, value being the member itself (text, optional text, date, optional
// date or amount). The one place where the writer walks the field table.
template <class Visit> void for_each_document_field(const Document &document, Visit &&visit) {
  for_each_field(document, [&](const FieldInfo &info, const auto &member) { visit(info.key, member); });
}

} // namespace velmora
