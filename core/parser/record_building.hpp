#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "parser/document_draft.hpp"
#include "velmora/document_sink.hpp"
#include "velmora/model/attribute_map.hpp"
#include "velmora/model/document.hpp"
#include "velmora/model/interval.hpp"
#include "velmora/model/statement.hpp"
#include "velmora/parse_error.hpp"

namespace velmora {

// Builds a document from (key, value) pairs in order: each value converted
// as its pair is read, each field supplied at most once, required fields
// tested after the last pair. Values are moved into the record.
std::expected<Document, std::string> build_document(std::vector<AttributeMap::Entry> &&pairs);
// The same over a section's own entries; their values are moved out, their
// keys stay for the section map to reuse.
std::expected<Document, std::string> build_document(std::span<AttributeMap::Entry> pairs);

// Builds an interval from an account section's attributes (read only).
std::expected<Interval, std::string> build_interval(const AttributeMap &attrs);

// Merges an interval into the accounts: a new number appends an account; a
// known one gets the interval in date_start order, unless an equal interval
// with the same start is already there.
void add_interval(AccountMap &accounts, std::string number, Interval interval);

// Appends the document built from attrs plus the type pair, or a warning
// with lineno and the failure text; to the sink instead when there is one.
void complete_document_section(Statement &statement, AttributeMap &&attrs,
                               std::string_view doc_type, std::uint64_t lineno,
                               DocumentSink *sink = nullptr);

// The same for a section read without hooks, from its draft. With a sink,
// the document is built in `reused`, which may hold the previous one (or
// what the sink left of it), and handed over from there.
void complete_document_draft(Statement &statement, const DocumentDraft &draft,
                             std::string_view doc_type, std::uint64_t lineno, DocumentSink *sink,
                             Document &reused);

// Merges the section's interval into the statement's accounts, or fails with
// AccountParseError or MissingField at lineno.
std::expected<void, ParseError> complete_account_section(Statement &statement, AttributeMap &&attrs,
                                                         std::uint64_t lineno);

// Message texts shared by both builders.
std::string missing_field_message(std::string_view key);
std::string duplicate_field_message(std::string_view key);

} // namespace velmora
