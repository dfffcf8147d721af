#pragma once

#include <array>
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

// The account section's number key and its interval keys, in the order of
// the Interval members.
inline constexpr std::string_view kAccountNumberKey = "РасчСчет";
inline constexpr std::size_t kIntervalFieldCount = 6;
inline constexpr std::array<std::string_view, kIntervalFieldCount> kIntervalKeys{
    "ДатаНачала",      "ДатаКонца",      "НачальныйОстаток",
    "КонечныйОстаток", "ВсегоПоступило", "ВсегоСписано"};

} // namespace velmora
