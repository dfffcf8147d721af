#pragma once

#include "velmora/model/document.hpp"
#include "velmora/model/warning.hpp"

namespace velmora {

// Takes the outcome of each document section as soon as it is known, for a
// consumer that turns documents into its own form while the parse goes on
// instead of holding the whole list of (large) Document records at once.
// Given to parse_statement, a sink receives every document and every
// warning, in input order, and neither is kept in the Statement: its
// documents and warnings stay empty. If the parse then fails, what the sink
// received is part of no result and the caller drops it.
class DocumentSink {
public:
  virtual ~DocumentSink() = default;
  // A document that was built, at its section's closing line.
  virtual void take_document(Document &&document) = 0;
  // A document section that could not be built.
  virtual void take_warning(Warning &&warning) = 0;
};

} // namespace velmora
