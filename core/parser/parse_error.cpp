#include "velmora/parse_error.hpp"

namespace velmora {

std::string_view context_name(ParseContext context) {
  switch (context) {
  case ParseContext::Header: return "header";
  case ParseContext::Document: return "document";
  case ParseContext::Account: return "account";
  case ParseContext::Finished: return "finished";
  case ParseContext::Init: return "init";
  case ParseContext::ReadNextSection: return "read_next_section";
  }
  return "init";
}

ParseError ParseError::unexpected_section(std::string found, ParseContext context,
                                          std::uint64_t lineno) {
  return ParseError(Kind::UnexpectedSection, std::move(found), {}, context, lineno);
}
ParseError ParseError::unexpected_attribute(std::string key, std::string value,
                                            std::uint64_t lineno) {
  return ParseError(Kind::UnexpectedAttribute, std::move(key), std::move(value), ParseContext::Init,
                    lineno);
}
ParseError ParseError::unrecognized_line(std::string line, std::uint64_t lineno) {
  return ParseError(Kind::UnrecognizedLine, std::move(line), {}, ParseContext::Init, lineno);
}
ParseError ParseError::missing_field(std::string field, ParseContext context,
                                     std::uint64_t lineno) {
  return ParseError(Kind::MissingField, std::move(field), {}, context, lineno);
}
ParseError ParseError::account_parse_error(std::string message, std::uint64_t lineno) {
  return ParseError(Kind::AccountParseError, std::move(message), {}, ParseContext::Init, lineno);
}
ParseError ParseError::document_parse_error(std::string message, std::uint64_t lineno) {
  return ParseError(Kind::DocumentParseError, std::move(message), {}, ParseContext::Init, lineno);
}
ParseError ParseError::hook_error(std::string message, std::uint64_t lineno) {
  return ParseError(Kind::HookError, std::move(message), {}, ParseContext::Init, lineno);
}
ParseError ParseError::unfinished() {
  return ParseError(Kind::Unfinished, {}, {}, ParseContext::Init, 0);
}
ParseError ParseError::not_statement() {
  return ParseError(Kind::NotStatement, {}, {}, ParseContext::Init, 0);
}
ParseError ParseError::empty_input() {
  return ParseError(Kind::EmptyInput, {}, {}, ParseContext::Init, 0);
}

bool ParseError::has_lineno() const {
  return kind_ != Kind::Unfinished && kind_ != Kind::NotStatement && kind_ != Kind::EmptyInput;
}

std::string ParseError::display() const {
  std::string out;
  switch (kind_) {
  case Kind::UnexpectedSection:
    out.append("Unexpected section '").append(first_).append("' in context '");
    out.append(velmora::context_name(context_)).append("'");
    break;
  case Kind::UnexpectedAttribute:
    out.append("Unexpected attribute '").append(first_).append("' = '").append(second_).append("'");
    break;
  case Kind::UnrecognizedLine: out.append("Unrecognized line: '").append(first_).append("'"); break;
  case Kind::MissingField:
    out.append("Missing field '").append(first_).append("' in context '");
    out.append(velmora::context_name(context_)).append("'");
    break;
  case Kind::AccountParseError: out.append("Account parse error: ").append(first_); break;
  case Kind::DocumentParseError: out.append("Document parse error: ").append(first_); break;
  case Kind::HookError: out.append("Hook error: ").append(first_); break;
  case Kind::Unfinished: out = "Statement is not finished"; break;
  case Kind::NotStatement: out = "Input is not a 1C statement"; break;
  case Kind::EmptyInput: out = "Input is empty"; break;
  }
  return out;
}

} // namespace velmora
