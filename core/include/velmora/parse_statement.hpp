#pragma once

#include <expected>
#include <span>
#include <string_view>

#include "velmora/document_sink.hpp"
#include "velmora/model/statement.hpp"
#include "velmora/parse_error.hpp"
#include "velmora/parse_observer.hpp"
#include "velmora/section_hook.hpp"

namespace velmora {

// Parses one statement from its raw bytes. Valid UTF-8 (after an optional
// byte order mark) is read in place; anything else is decoded as the WHATWG
// standard decodes legacy text with a windows-1251 fallback. Hooks run at
// every section's closing line, in order. An observer, when given, sees the
// lines as they are read.
std::expected<Statement, ParseError> parse_statement(std::string_view bytes,
                                                     std::span<SectionHook *const> hooks = {},
                                                     ParseObserver *observer = nullptr);

// The same, handing each document section's outcome to `sink` as it is
// built rather than keeping it in the Statement (see DocumentSink).
std::expected<Statement, ParseError>
parse_statement(std::string_view bytes, std::span<SectionHook *const> hooks, DocumentSink &sink);

} // namespace velmora
