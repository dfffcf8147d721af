#pragma once

#include <string_view>

namespace velmora {

// The fixed texts of the exchange format that both the reader and the
// writer use: marker lines and the keys outside the document field table.
inline constexpr std::string_view kMagicLine = "1CClientBankExchange";
inline constexpr std::string_view kAccountBeginMarker = "СекцияРасчСчет";
inline constexpr std::string_view kAccountEndMarker = "КонецРасчСчет";
inline constexpr std::string_view kDocumentBeginKey = "СекцияДокумент";
inline constexpr std::string_view kDocumentEndMarker = "КонецДокумента";
inline constexpr std::string_view kFileEndMarker = "КонецФайла";

// The header key that names the file's encoding, and its three values.
inline constexpr std::string_view kEncodingKey = "Кодировка";
inline constexpr std::string_view kEncodingWindows = "Windows";
inline constexpr std::string_view kEncodingUtf8 = "UTF-8";
inline constexpr std::string_view kEncodingDos = "DOS";

// The account section's number key; the interval keys are in the field
// definition (velmora/model/fields.hpp).
inline constexpr std::string_view kAccountNumberKey = "РасчСчет";

} // namespace velmora
