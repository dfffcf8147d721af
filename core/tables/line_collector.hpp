#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "parser/document_observer.hpp"
#include "tables/column.hpp"
#include "tables/document_columns.hpp"
#include "tables/document_section.hpp"
#include "velmora/model/warning.hpp"

namespace velmora::tables {

// Takes a statement's lines as the reader accepts them and keeps what the
// tables show that the statement model leaves out or would build first:
// every header line with its number, and the document sections, each
// straight into the documents' columns (with the keys that no field takes)
// or, when it does not build, as a warning.
class LineCollector final : public DocumentObserver {
public:
  void header_attribute(std::uint64_t lineno, std::string_view key,
                        std::string_view value) override;
  // Account sections are built by the reader itself.
  void section_attribute(SectionType, std::uint64_t, std::string_view, std::string_view) override {}
  void document_attribute(std::uint64_t, std::uint8_t field, std::string_view key,
                          std::string_view value) override {
    section_.add(field, key, value);
  }
  void section_closed(SectionType type, std::uint64_t lineno) override;
  void document_opened(std::uint64_t lineno, std::string_view doc_type) override;
  void keep_views_of(std::string_view text) override { section_.keep_views_of(text); }

  // The header table's columns after `source`: line, key, value.
  std::int64_t header_rows() const { return header_rows_; }
  FixedBuilder<std::int64_t> &header_lines() { return header_lines_; }
  Utf8Builder &header_keys() { return header_keys_; }
  Utf8Builder &header_values() { return header_values_; }

  DocumentColumns &documents() { return documents_; }
  // The document sections that did not build, in input order.
  const std::vector<Warning> &warnings() const { return warnings_; }

private:
  std::int64_t header_rows_ = 0;
  FixedBuilder<std::int64_t> header_lines_;
  Utf8Builder header_keys_;
  Utf8Builder header_values_;
  DocumentSection section_; // the open document section
  DocumentColumns documents_;
  std::vector<Warning> warnings_;
};

} // namespace velmora::tables
