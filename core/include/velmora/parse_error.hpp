#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// The reader state in which an error was found.
enum class ParseContext { Header, Document, Account, Finished, Init, ReadNextSection };

// "header", "document", "account", "finished", "init", "read_next_section".
std::string_view context_name(ParseContext context);

// The core's single error type: a kind plus the fields the kind carries.
class ParseError {
public:
  enum class Kind {
    UnexpectedSection,
    UnexpectedAttribute,
    UnrecognizedLine,
    MissingField,
    AccountParseError,
    DocumentParseError,
    HookError,
    Unfinished,
    NotStatement,
    EmptyInput,
  };

  static ParseError unexpected_section(std::string found, ParseContext context,
                                       std::uint64_t lineno);
  static ParseError unexpected_attribute(std::string key, std::string value, std::uint64_t lineno);
  static ParseError unrecognized_line(std::string line, std::uint64_t lineno);
  static ParseError missing_field(std::string field, ParseContext context, std::uint64_t lineno);
  static ParseError account_parse_error(std::string message, std::uint64_t lineno);
  static ParseError document_parse_error(std::string message, std::uint64_t lineno);
  static ParseError hook_error(std::string message, std::uint64_t lineno);
  static ParseError unfinished();
  static ParseError not_statement();
  static ParseError empty_input();

  Kind kind() const { return kind_; }
  // Whether the kind carries a line number (the seven syntax kinds).
  bool has_lineno() const;

  // Field accessors; each is meaningful only for the kinds that carry it and
  // is empty (or zero) otherwise.
  std::uint64_t lineno() const { return lineno_; }
  const std::string &found() const { return first_; }
  const std::string &key() const { return first_; }
  const std::string &value() const { return second_; }
  const std::string &line() const { return first_; }
  const std::string &field() const { return first_; }
  const std::string &message() const { return first_; }
  ParseContext context() const { return context_; }
  std::string_view context_name() const { return velmora::context_name(context_); }

  // The display text, e.g. "Unexpected section 'КонецФайла' in context 'header'".
  std::string display() const;

  friend bool operator==(const ParseError &, const ParseError &) = default;

private:
  ParseError(Kind kind, std::string first, std::string second, ParseContext context,
             std::uint64_t lineno)
      : kind_(kind), first_(std::move(first)), second_(std::move(second)), context_(context),
        lineno_(lineno) {}

  Kind kind_;
  std::string first_;
  std::string second_;
  ParseContext context_ = ParseContext::Init;
  std::uint64_t lineno_ = 0;
};

} // namespace velmora
