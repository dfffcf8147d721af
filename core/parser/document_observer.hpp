#pragma once

#include <cstdint>
#include <expected>
#include <string_view>

#include "velmora/model/statement.hpp"
#include "velmora/parse_error.hpp"
#include "velmora/parse_observer.hpp"

namespace velmora {

// An observer that takes the document sections over, for a consumer that
// keeps their values in a form of its own (the tables): given one, the
// reader builds no Document and leaves no warning, which saves a record and
// its heap strings per section. It learns each section's type at the
// opening line and each attribute through document_attribute, with the
// field that the reader already found for its key; the closing line comes
// as to any observer.
// Deciding whether a section builds, exactly as record building decides
// it, is then the observer's task.
//
// Unlike a plain observer's, the views of a document section (its type and
// its attributes) stay valid until the section's closing line has been
// seen, so the observer may keep them instead of copying them, except
// where keep_views_of says otherwise.
class DocumentObserver : public ParseObserver {
public:
  virtual void document_opened(std::uint64_t lineno, std::string_view doc_type) = 0;
  // An attribute of the open document section, in place of section_attribute:
  // `field` is the document field its key names (KnownKey::kNone when it
  // names none).
  virtual void document_attribute(std::uint64_t lineno, std::uint8_t field, std::string_view key,
                                  std::string_view value) = 0;
  // The text that the open section's views may point into is about to be
  // replaced (windows-1251 input is decoded a stretch at a time): the
  // observer copies whatever it keeps of `text` into storage of its own.
  virtual void keep_views_of(std::string_view text) = 0;
};

// Parses as parse_statement does without hooks, with `observer` taking the
// document sections: the Statement's documents and warnings stay empty; its
// header, accounts and encoding are as always, and so is every error.
std::expected<Statement, ParseError> parse_statement_observed(std::string_view bytes,
                                                              DocumentObserver &observer);

} // namespace velmora
