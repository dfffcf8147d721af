#include "convert/document_record.hpp"

#include <utility>

#include "convert/rendering.hpp"

namespace velmora_py {

DocumentRecord render_document(velmora::Document &&document) {
  DocumentRecord record;
  // Slot i takes member i, each reached directly through its member pointer.
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    ((record[I] = render(std::move(velmora::field<I>(document)))), ...);
  }(std::make_index_sequence<velmora::kDocumentFieldCount>{});
  return record;
}

} // namespace velmora_py
