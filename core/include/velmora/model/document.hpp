#pragma once

#include <array>
#include <cstddef>
#include <tuple>

#include "velmora/model/fields.hpp"

namespace velmora {

// One payment document section. Its 53 members come from
// VELMORA_DOCUMENT_FIELDS (velmora/model/fields.hpp), in declaration order,
// the order in which missing required fields are reported: required ones are
// plain std::string, Date or Decimal, the others std::optional of those.
struct Document {
  VELMORA_DOCUMENT_FIELDS(VELMORA_FIELD_MEMBER)

  friend bool operator==(const Document &, const Document &) = default;
};

VELMORA_RECORD_FIELDS(Document, VELMORA_DOCUMENT_FIELDS);

inline constexpr std::size_t kDocumentFieldCount = RecordFields<Document>::kFields.size();

// The key table, in declaration order: entry i describes the i-th member.
inline constexpr const std::array<FieldInfo, kDocumentFieldCount> &kDocumentFields =
    RecordFields<Document>::kFields;

} // namespace velmora
