#pragma once

#include <array>
#include <optional>
#include <string>
#include <tuple>
#include <variant>

#include "velmora/model/document.hpp"

namespace velmora {

// A pointer to one Document member, of whichever type the member has.
using DocumentMember =
    std::variant<std::string Document::*, std::optional<std::string> Document::*, Date Document::*,
                 std::optional<Date> Document::*, Decimal Document::*>;

// Member i is the field that kDocumentFields[i] describes, for code that
// picks a field at run time; for_each_field and field<I> reach members at
// compile time.
inline const std::array<DocumentMember, kDocumentFieldCount> kDocumentMembers =
    std::apply([](auto... m) { return std::array<DocumentMember, kDocumentFieldCount>{{m...}}; },
               RecordFields<Document>::kMembers);

} // namespace velmora
