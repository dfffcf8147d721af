#pragma once

#include <string_view>

namespace velmora {

// Whether bytes are a statement that the format marks as DOS (IBM866): not
// valid UTF-8 (after an optional byte order mark), a first line that reads
// "1CClientBankExchange" and, among the header lines before the first
// section, one that reads "Кодировка=DOS", all decoded as IBM866 and trimmed
// as the reader trims. Only the header is looked at.
bool is_dos_statement(std::string_view bytes);

} // namespace velmora
