#include "tables/line_collector.hpp"

#include "parser/field_lookup.hpp"
#include "velmora/model/document.hpp"

namespace velmora::tables {

namespace {

constexpr std::array<std::string_view, kDocumentFieldCount> document_keys() {
  std::array<std::string_view, kDocumentFieldCount> keys{};
  for (std::size_t i = 0; i < kDocumentFieldCount; ++i) keys[i] = kDocumentFields[i].key;
  return keys;
}
constexpr FieldLookup<kDocumentFieldCount> kFieldKeys{document_keys()};

} // namespace

void LineCollector::header_attribute(std::uint64_t lineno, std::string_view key,
                                     std::string_view value) {
  header_lines_.append(static_cast<std::int64_t>(lineno));
  header_keys_.append(key);
  header_values_.append(value);
  ++header_rows_;
}

void LineCollector::section_attribute(SectionType type, std::uint64_t, std::string_view key,
                                      std::string_view value) {
  if (type != SectionType::Document) return;
  if (kFieldKeys.find(key) != decltype(kFieldKeys)::kNotFound) return;
  // A repeated key keeps its place and takes the later value, as the
  // section's attribute map does. Sections carry few such keys.
  for (std::size_t i = open_begin_; i < extras_.size(); ++i) {
    if (extras_[i].key == key) {
      extras_[i].value.assign(value);
      return;
    }
  }
  extras_.push_back({std::string(key), std::string(value)});
}

void LineCollector::section_closed(SectionType type, std::uint64_t lineno) {
  if (type != SectionType::Document) return;
  sections_.push_back({lineno, open_begin_, extras_.size()});
  open_begin_ = extras_.size();
}

std::shared_ptr<ColumnData>
LineCollector::document_extras(std::span<const Warning> warnings) const {
  MapBuilder map;
  std::size_t w = 0;
  for (const Section &section : sections_) {
    // Warnings come only from document sections, in section order.
    if (w < warnings.size() && warnings[w].lineno == section.lineno) {
      ++w;
      continue;
    }
    for (std::size_t i = section.begin; i < section.end; ++i) {
      map.add(extras_[i].key, extras_[i].value);
    }
    map.end_row();
  }
  return map.finish();
}

} // namespace velmora::tables
