#pragma once

#include "velmora/model/document.hpp"
#include "velmora/model/exchange_keys.hpp"
#include "velmora/writer/exchange_writer.hpp"

namespace velmora {

// One document section: the opening line naming its type, every present
// field under its key in declaration order, the closing marker. The one
// place where the writer walks the field table; statements and payment
// orders both write their documents here.
inline void write_document_section(ExchangeWriter &w, const Document &document) {
  w.document_begin(document.doc_type);
  for_each_field(document, [&](const FieldInfo &info, const auto &value) {
    if (info.key != kDocumentBeginKey) w.entry(info.key, value);
  });
  w.document_end();
}

} // namespace velmora
