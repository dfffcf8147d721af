#include "convert/document_record.hpp"

#include "convert/compact_record.hpp"

namespace velmora_py {

DocumentRecord render_document(const velmora::Document &document) {
  return compact_record(document);
}

} // namespace velmora_py
