#include "tables/line_collector.hpp"

namespace velmora::tables {

void LineCollector::header_attribute(std::uint64_t lineno, std::string_view key,
                                     std::string_view value) {
  header_lines_.append(static_cast<std::int64_t>(lineno));
  header_keys_.append(key);
  header_values_.append(value);
  ++header_rows_;
}

void LineCollector::document_opened(std::uint64_t, std::string_view doc_type) {
  section_.open(doc_type);
}

void LineCollector::section_closed(SectionType type, std::uint64_t lineno) {
  if (type != SectionType::Document) return;
  auto converted = section_.convert();
  if (converted)
    documents_.append(section_, *converted);
  else
    warnings_.push_back(Warning{lineno, std::move(converted.error())});
}

} // namespace velmora::tables
