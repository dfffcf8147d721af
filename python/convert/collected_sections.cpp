#include "convert/collected_sections.hpp"

#include <utility>

namespace velmora_py {

void CollectedSections::take_document(velmora::Document &&document) {
  documents_.push_back(render_document(document));
}

void CollectedSections::take_warning(velmora::Warning &&warning) {
  if (messages_.empty() || messages_.back() != warning.message)
    messages_.push_back(std::move(warning.message));
  warnings_.push_back(WarningEntry{warning.lineno, messages_.size() - 1});
}

} // namespace velmora_py
