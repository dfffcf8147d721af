#include "parser/section_reader.hpp"

#include <cstring>

#include "parser/record_building.hpp"
#include "text/trim.hpp"
#include "velmora/model/exchange_keys.hpp"

namespace velmora {

namespace {

struct PlainMarker {
  std::string_view text;
  SectionMarker marker;
};
constexpr PlainMarker kPlainMarkers[] = {
    {kMagicLine, SectionMarker::BankExchange},
    {kAccountBeginMarker, SectionMarker::AccountBegin},
    {kAccountEndMarker, SectionMarker::AccountEnd},
    {kDocumentEndMarker, SectionMarker::DocumentEnd},
    {kFileEndMarker, SectionMarker::FileEnd},
};

std::string_view plain_marker_text(SectionMarker marker) {
  for (const PlainMarker &m : kPlainMarkers) {
    if (m.marker == marker) return m.text;
  }
  return {};
}

} // namespace

std::expected<LineItem, ParseError> classify_line(std::string_view line, std::uint64_t lineno) {
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    for (const PlainMarker &m : kPlainMarkers) {
      if (line == m.text) return LineItem{LineItem::Kind::Marker, m.marker, {}, {}};
    }
    return std::unexpected(ParseError::unrecognized_line(std::string(line), lineno));
  }
  // Trimmed already when it comes from the line loop; trimming again then
  // returns it unchanged, and leaves the first "=" where it was.
  const std::string_view trimmed = text::trim(line);
  return classify_split(trimmed, eq - (trimmed.data() - line.data()));
}

std::string marker_text(const LineItem &item) {
  if (item.marker == SectionMarker::DocumentBegin) {
    std::string out(kDocumentBeginKey);
    out.push_back('=');
    out.append(item.value);
    return out;
  }
  return std::string(plain_marker_text(item.marker));
}

ParseContext context_of(ReaderState state) {
  switch (state) {
  case ReaderState::Init: return ParseContext::Init;
  case ReaderState::Header: return ParseContext::Header;
  case ReaderState::Document: return ParseContext::Document;
  case ReaderState::Account: return ParseContext::Account;
  case ReaderState::ReadNextSection: return ParseContext::ReadNextSection;
  case ReaderState::Finished: return ParseContext::Finished;
  }
  return ParseContext::Init;
}

SectionReader::SectionReader(Encoding encoding, std::span<SectionHook *const> hooks,
                             ParseObserver *observer, DocumentSink *sink)
    : hooks_(hooks), observer_(observer), sink_(sink),
      plain_documents_(hooks.empty() && observer == nullptr) {
  statement_.encoding = encoding;
}

void SectionReader::expect_text_size(std::size_t bytes) {
  // Real exports spend two to three kilobytes of text on a document. Room
  // that stays unused is address space only: its pages are never touched.
  constexpr std::size_t kTextPerDocument = 2048;
  if (sink_ != nullptr || documents_ != nullptr) return;
  statement_.documents.reserve(bytes / kTextPerDocument);
}

void SectionReader::keep_views_of(std::string_view text) {
  if (state_ != ReaderState::Document) return;
  if (documents_ != nullptr) documents_->keep_views_of(text);
  if (DocumentDraft::lies_in(doc_type_, text)) doc_type_ = kept_.emplace_back(doc_type_);
  draft_.keep_out_of(text, kept_);
}

ParseError SectionReader::unexpected(const LineItem &item, std::uint64_t lineno) const {
  return ParseError::unexpected_section(marker_text(item), context_of(state_), lineno);
}

std::expected<void, ParseError> SectionReader::read_line(std::uint64_t lineno,
                                                         const LineItem &item) {
  if (failure_) return std::unexpected(*failure_);
  auto stepped = step(lineno, item);
  if (!stepped) {
    plain_documents_ = observed_documents_ = false;
    failure_ = stepped.error();
    statement_ = Statement{};
    section_.clear();
  }
  return stepped;
}

std::expected<void, ParseError> SectionReader::step(std::uint64_t lineno, const LineItem &item) {
  if (item.kind == LineItem::Kind::Attribute) return on_attribute(lineno, item);
  return on_marker(lineno, item);
}

std::expected<void, ParseError> SectionReader::on_attribute(std::uint64_t lineno,
                                                            const LineItem &item) {
  if (state_ == ReaderState::Document && documents_ != nullptr) {
    documents_->document_attribute(lineno, item.known.document_field, item.key, item.value);
    return {};
  }
  if (observer_) observe_attribute(lineno, item);
  switch (state_) {
  case ReaderState::Header: statement_.header.insert(item.key, item.value); return {};
  case ReaderState::Document:
    if (hooks_.empty()) {
      draft_.add(item.known.document_field, item.value);
      return {};
    }
    section_.insert(item.key, item.value);
    return {};
  case ReaderState::Account: section_.insert(item.key, item.value); return {};
  case ReaderState::Init:
  case ReaderState::ReadNextSection:
  case ReaderState::Finished: break;
  }
  return std::unexpected(
      ParseError::unexpected_attribute(std::string(item.key), std::string(item.value), lineno));
}

std::expected<void, ParseError> SectionReader::on_marker(std::uint64_t lineno,
                                                         const LineItem &item) {
  const bool between_sections =
      state_ == ReaderState::Header || state_ == ReaderState::ReadNextSection;
  switch (item.marker) {
  case SectionMarker::BankExchange:
    if (state_ != ReaderState::Init) break;
    state_ = ReaderState::Header;
    return {};
  case SectionMarker::AccountBegin:
    if (!between_sections) break;
    section_.clear();
    state_ = ReaderState::Account;
    return {};
  case SectionMarker::DocumentBegin:
    if (!between_sections) break;
    section_.clear();
    draft_.clear();
    kept_.clear();
    doc_type_ = item.value;
    state_ = ReaderState::Document;
    if (documents_ != nullptr) documents_->document_opened(lineno, item.value);
    return {};
  case SectionMarker::DocumentEnd:
    if (state_ != ReaderState::Document) break;
    return close_document(lineno);
  case SectionMarker::AccountEnd:
    if (state_ != ReaderState::Account) break;
    return close_account(lineno);
  case SectionMarker::FileEnd:
    if (state_ != ReaderState::ReadNextSection) break;
    state_ = ReaderState::Finished;
    return {};
  }
  return std::unexpected(unexpected(item, lineno));
}

void SectionReader::observe_attribute(std::uint64_t lineno, const LineItem &item) {
  switch (state_) {
  case ReaderState::Header: observer_->header_attribute(lineno, item.key, item.value); return;
  case ReaderState::Document:
    observer_->section_attribute(SectionType::Document, lineno, item.key, item.value);
    return;
  case ReaderState::Account:
    observer_->section_attribute(SectionType::Account, lineno, item.key, item.value);
    return;
  default: return; // an error, which the caller reports
  }
}

std::expected<void, ParseError> SectionReader::run_hooks(SectionType type, std::uint64_t lineno) {
  for (SectionHook *hook : hooks_) {
    HookOutcome outcome = hook->call(type, section_, statement_.header);
    if (outcome.failed())
      return std::unexpected(ParseError::hook_error(outcome.take_message(), lineno));
  }
  return {};
}

std::expected<void, ParseError> SectionReader::close_document(std::uint64_t lineno) {
  if (observer_) observer_->section_closed(SectionType::Document, lineno);
  if (documents_ != nullptr) {
    state_ = ReaderState::ReadNextSection;
    return {};
  }
  if (hooks_.empty()) {
    complete_document_draft(statement_, draft_, doc_type_, lineno, sink_, reused_);
    draft_.clear();
    state_ = ReaderState::ReadNextSection;
    return {};
  }
  if (auto hooked = run_hooks(SectionType::Document, lineno); !hooked) return hooked;
  complete_document_section(statement_, std::move(section_), doc_type_, lineno, sink_);
  section_.clear();
  state_ = ReaderState::ReadNextSection;
  return {};
}

std::expected<void, ParseError> SectionReader::close_account(std::uint64_t lineno) {
  if (observer_) observer_->section_closed(SectionType::Account, lineno);
  if (auto hooked = run_hooks(SectionType::Account, lineno); !hooked) return hooked;
  auto completed = complete_account_section(statement_, std::move(section_), lineno);
  section_.clear();
  if (!completed) return completed;
  state_ = ReaderState::ReadNextSection;
  return {};
}

} // namespace velmora
