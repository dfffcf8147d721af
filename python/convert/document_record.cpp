#include "convert/document_record.hpp"

#include <utility>

#include "convert/rendering.hpp"

namespace velmora_py {
namespace {

// Slot I takes member I, each reached directly through its member pointer.
template <std::size_t... I>
void move_members(velmora::Document &document, DocumentRecord &record, std::index_sequence<I...>) {
  ((record[I] = render(std::move(velmora::field<I>(document)))), ...);
}

} // namespace

DocumentRecord render_document(velmora::Document &&document) {
  DocumentRecord record;
  move_members(document, record, std::make_index_sequence<velmora::kDocumentFieldCount>{});
  return record;
}

} // namespace velmora_py
