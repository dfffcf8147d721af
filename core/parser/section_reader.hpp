#pragma once

#include <cstdint>
#include <deque>
#include <expected>
#include <optional>
#include <span>
#include <string_view>

#include "parser/document_draft.hpp"
#include "parser/document_observer.hpp"
#include "parser/known_keys.hpp"
#include "text/trim.hpp"
#include "velmora/document_sink.hpp"
#include "velmora/model/attribute_map.hpp"
#include "velmora/model/encoding.hpp"
#include "velmora/model/statement.hpp"
#include "velmora/parse_error.hpp"
#include "velmora/parse_observer.hpp"
#include "velmora/section_hook.hpp"

namespace velmora {

// The marker lines that open and close the file and its sections.
enum class SectionMarker {
  BankExchange,
  AccountBegin,
  AccountEnd,
  DocumentBegin,
  DocumentEnd,
  FileEnd
};

// What one trimmed, non-blank line is. Views point into the decoded text.
struct LineItem {
  enum class Kind { Marker, Attribute } kind;
  SectionMarker marker = SectionMarker::BankExchange;
  std::string_view key;   // attribute key
  std::string_view value; // attribute value, or the document type of DocumentBegin
  KnownKey known{};       // what the attribute key means to the records
};

// Tells marker lines from key=value lines; anything else is unrecognized.
std::expected<LineItem, ParseError> classify_line(std::string_view line, std::uint64_t lineno);

// classify_line for a line known to hold "=", its first one at eq. The line
// is trimmed, so the key needs trimming only at its end and the value only
// at its start.
inline LineItem classify_split(std::string_view line, std::size_t eq) {
  const std::string_view key = text::trim_end_inline(line.substr(0, eq));
  const std::string_view value = text::trim_start_inline(line.substr(eq + 1));
  const KnownKey known = kKnownKeys.find(key);
  if (known.document_field == kDocumentTypeField) {
    return LineItem{LineItem::Kind::Marker, SectionMarker::DocumentBegin, {}, value};
  }
  return LineItem{LineItem::Kind::Attribute, SectionMarker::BankExchange, key, value, known};
}

// The canonical text of a marker as shown in errors; for DocumentBegin it is
// "СекцияДокумент=" followed by the type.
std::string marker_text(const LineItem &item);

enum class ReaderState { Init, Header, Document, Account, ReadNextSection, Finished };

ParseContext context_of(ReaderState state);

// The state machine that walks a statement's lines through its sections.
class SectionReader {
public:
  // The observer sees the lines as they are read; with a sink, document
  // sections' outcomes go there, not to the statement.
  SectionReader(Encoding encoding, std::span<SectionHook *const> hooks,
                ParseObserver *observer = nullptr, DocumentSink *sink = nullptr);

  // Advances by one classified line. An error consumes the reader: what it
  // held is dropped, it is never finished, and every later line gets the
  // same error again.
  std::expected<void, ParseError> read_line(std::uint64_t lineno, const LineItem &item);

  // read_line for the most common line, an attribute of a document section
  // read without hooks and without a plain observer, taken inline: true
  // when it was taken, false when the line is for read_line.
  bool took_document_attribute(std::uint64_t lineno, const LineItem &item) {
    if (state_ != ReaderState::Document || item.kind != LineItem::Kind::Attribute) return false;
    if (plain_documents_) {
      draft_.add(item.known.document_field, item.value);
      return true;
    }
    if (observed_documents_) {
      documents_->document_attribute(lineno, item.known.document_field, item.key, item.value);
      return true;
    }
    return false;
  }

  bool finished() const { return !failure_ && state_ == ReaderState::Finished; }
  ReaderState state() const { return state_; }
  // Only once finished() is true.
  Statement take_statement() { return std::move(statement_); }
  // The text of the lines read so far is about to be replaced by the next
  // stretch of decoded input: what the open section still views of `text`
  // is copied into storage of the reader's own.
  void keep_views_of(std::string_view text);
  // Hands the document sections to `observer` instead of building them
  // (see DocumentObserver); it also becomes the reader's observer. Only
  // for a reader without hooks, before the first line.
  void leave_documents_to(DocumentObserver &observer) {
    observer_ = &observer;
    documents_ = &observer;
    plain_documents_ = false; // the observer must see every attribute line
    observed_documents_ = true;
  }
  // For a reader of a later part of a statement (see StatementParts): it
  // starts between sections, as a reader is once it has closed one. Only
  // before the first line.
  void start_between_sections() { state_ = ReaderState::ReadNextSection; }
  // Room for the documents a text of this size is expected to hold, so that
  // the list of documents (large records) is not moved while it grows.
  void expect_text_size(std::size_t bytes);

private:
  std::expected<void, ParseError> step(std::uint64_t lineno, const LineItem &item);
  std::expected<void, ParseError> on_attribute(std::uint64_t lineno, const LineItem &item);
  std::expected<void, ParseError> on_marker(std::uint64_t lineno, const LineItem &item);
  std::expected<void, ParseError> close_document(std::uint64_t lineno);
  std::expected<void, ParseError> close_account(std::uint64_t lineno);
  void observe_attribute(std::uint64_t lineno, const LineItem &item);
  std::expected<void, ParseError> run_hooks(SectionType type, std::uint64_t lineno);
  ParseError unexpected(const LineItem &item, std::uint64_t lineno) const;

  ReaderState state_ = ReaderState::Init;
  std::span<SectionHook *const> hooks_;
  ParseObserver *observer_ = nullptr;
  DocumentSink *sink_ = nullptr;
  // No hooks, no observer and no failure: document attributes only go into
  // the draft.
  bool plain_documents_ = false;
  DocumentObserver *documents_ = nullptr; // takes the document sections over
  bool observed_documents_ = false;       // documents_ is set and nothing failed
  // The header is read into statement_.header from the start; the builder
  // proper only begins to matter once the first section opens.
  Statement statement_;
  AttributeMap section_;
  DocumentDraft draft_; // a document section's attributes when there are no hooks
  std::string_view doc_type_;
  Document reused_;              // where documents are built for the sink
  std::deque<std::string> kept_; // what keep_views_of copied for the open section
  std::optional<ParseError> failure_;
};

} // namespace velmora
