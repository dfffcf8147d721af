#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "parser/document_observer.hpp"
#include "velmora/model/encoding.hpp"
#include "velmora/model/statement.hpp"
#include "velmora/parse_error.hpp"

namespace velmora {

// One statement read as consecutive parts, each on a thread of its own.
// The parts are cut just before lines that open a document section; each
// part after the first is read by a reader that starts between sections,
// with lines numbered from the part's first line.
//
// Read one after the other, the parts give exactly what one reader gives
// the whole when every part reads without error in the encoding of the
// plan and ends where the next begins, between sections (the last:
// finished), and no part after the first holds an account section
// (accounts merge by number across the statement). When that does not hold (a cut fell inside a
// section, the statement is broken, an account section follows the documents), the statement is
// read whole instead: that alone tells which error comes first and where.
class StatementParts {
public:
  // A plan of at most `parts` parts of at least `min_part_bytes` each (and
  // never less than the plausibility window), cut near equal sizes; nothing when the input is
  // better read whole (too small, no cut found, or an encoding other than UTF-8 and windows-1251).
  // The plan views `bytes`, which must outlive it.
  static std::optional<StatementParts> plan(std::string_view bytes, std::size_t parts,
                                            std::size_t min_part_bytes);

  std::size_t size() const { return starts_.size(); }

  struct Outcome {
    std::optional<ParseError> error; // lines counted from the part's first line
    bool joins = false;              // ends where the next part begins, as above
    std::uint64_t lines = 0;         // the part's lines, blank ones included
    Statement statement;             // header and accounts (of the first part)
  };

  // Reads part k with `observer` taking its document sections over. Parts
  // may be read at once on different threads.
  Outcome read(std::size_t k, DocumentObserver &observer) const;

private:
  StatementParts(std::string_view text, Encoding encoding, std::vector<std::size_t> starts)
      : text_(text), encoding_(encoding), starts_(std::move(starts)) {}
  std::string_view part(std::size_t k) const;

  std::string_view text_;           // the input after its byte order mark
  Encoding encoding_;               // Utf8: text_ is the text; Cp1251: decoded a stretch at a time
  std::vector<std::size_t> starts_; // where each part starts in text_; the first at 0
};

} // namespace velmora
