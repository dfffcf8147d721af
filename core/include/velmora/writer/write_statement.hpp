#pragma once

#include "velmora/model/statement.hpp"
#include "velmora/writer/write_options.hpp"

namespace velmora {

// Serialises a statement: the magic line, the header in its order (a
// "Кодировка" value renamed to match the encoding, no key added), one
// account section per interval, one document section per document, then
// "КонецФайла". The result reads back with parse_statement to the same
// accounts, documents and header (but for "Кодировка"), without warnings;
// anything that would not is refused, with every problem.
//
// Problems name their place as "header", "statement", "account <number>
// interval <i>" or "document <i>", counting from 0.
WriteResult write_statement(const Statement &statement, const WriteOptions &options = {});

} // namespace velmora
