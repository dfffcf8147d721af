#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "convert/document_record.hpp"
#include "velmora/document_sink.hpp"

namespace velmora_py {

// What the parse hands over section by section: each document turned into
// its compact record at once (the core's large Document record is dropped
// straight away) and each warning as a line number and a message. Pure C++,
// so it fills while the interpreter lock is released; the Python objects
// are made from it afterwards in one pass.
class CollectedSections final : public velmora::DocumentSink {
public:
  struct WarningEntry {
    std::uint64_t lineno;
    std::size_t message; // index into messages()
  };

  void take_document(velmora::Document &&document) override;
  void take_warning(velmora::Warning &&warning) override;

  std::vector<DocumentRecord> &documents() { return documents_; }
  // A deque, so that the conversion can free the entries block by block as
  // it makes their Python objects: a statement of failing sections would
  // otherwise hold both at once.
  std::deque<WarningEntry> &warnings() { return warnings_; }
  const std::vector<std::string> &messages() const { return messages_; }

private:
  std::vector<DocumentRecord> documents_;
  std::deque<WarningEntry> warnings_;
  // Sections that fail usually fail alike, one after another: a message
  // equal to the one before is stored once and shared.
  std::vector<std::string> messages_;
};

} // namespace velmora_py
