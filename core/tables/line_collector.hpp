#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tables/column.hpp"
#include "velmora/model/warning.hpp"
#include "velmora/parse_observer.hpp"

namespace velmora::tables {

// Keeps what the statement model leaves out: every header line with its
// number, and each document section's keys that no field takes (in order
// of first appearance, with the last line's value).
class LineCollector final : public ParseObserver {
public:
  void header_attribute(std::uint64_t lineno, std::string_view key,
                        std::string_view value) override;
  void section_attribute(SectionType type, std::uint64_t lineno, std::string_view key,
                         std::string_view value) override;
  void section_closed(SectionType type, std::uint64_t lineno) override;

  // The header table's columns after `source`: line, key, value.
  std::int64_t header_rows() const { return header_rows_; }
  FixedBuilder<std::int64_t> &header_lines() { return header_lines_; }
  Utf8Builder &header_keys() { return header_keys_; }
  Utf8Builder &header_values() { return header_values_; }

  // The `extra` column of the documents that were built: a document
  // section whose closing line carries a warning was not.
  std::shared_ptr<ColumnData> document_extras(std::span<const Warning> warnings) const;
  // How many document sections closed.
  std::size_t document_sections() const { return sections_.size(); }

private:
  struct Extra {
    std::string key;
    std::string value;
  };
  struct Section {
    std::uint64_t lineno;
    std::size_t begin; // its extras are extras_[begin, end)
    std::size_t end;
  };

  std::int64_t header_rows_ = 0;
  FixedBuilder<std::int64_t> header_lines_;
  Utf8Builder header_keys_;
  Utf8Builder header_values_;
  std::vector<Extra> extras_;
  std::vector<Section> sections_;
  std::size_t open_begin_ = 0; // first extra of the open document section
};

} // namespace velmora::tables
