#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "text/legacy_decode.hpp"
#include "text/utf8.hpp"

namespace velmora::testing {

// Joins lines with LF, ending with one.
inline std::string lines(std::initializer_list<std::string_view> ls) {
  std::string out;
  for (std::string_view l : ls) out.append(l).push_back('\n');
  return out;
}

// The attribute lines of a document that builds, without its markers.
inline std::string document_body(std::string_view number = "1",
                                 std::string_view amount = "100.00") {
  std::string out;
  out += "Номер=";
  out += number;
  out += "\nДата=05.03.2024\nСумма=";
  out += amount;
  out += "\nНазначениеПлатежа=Оплата\nПлательщикИНН=7700000000\nПлательщикБИК=044525225\n"
         "ПлательщикБанк1=ПАО СБЕРБАНК\nПлательщикСчет=40702810000000000001\n"
         "ПолучательИНН=7800000000\nПолучательСчет=40702810000000000002\n"
         "ПолучательБИК=044030653\nПолучательБанк1=БАНК\n";
  return out;
}

inline std::string document_section(std::string_view number = "1",
                                    std::string_view amount = "100.00") {
  return "СекцияДокумент=Платежное поручение\n" + document_body(number, amount) +
         "КонецДокумента\n";
}

inline std::string account_section(std::string_view number, std::string_view start,
                                   std::string_view amount = "100.00") {
  std::string out = "СекцияРасчСчет\nДатаНачала=";
  out += start;
  out += "\nНачальныйОстаток=";
  out += amount;
  out += "\nРасчСчет=";
  out += number;
  out += "\nКонецРасчСчет\n";
  return out;
}

inline std::string statement(std::string_view sections) {
  return "1CClientBankExchange\nВерсияФормата=1.03\nКодировка=Windows\n" + std::string(sections) +
         "КонецФайла\n";
}

// The text with every LF preceded by CR.
inline std::string crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

// The LF-separated lines of a text (a final LF ends the last line).
inline std::vector<std::string> split_lines(std::string_view text) {
  std::vector<std::string> out;
  while (!text.empty()) {
    std::size_t feed = text.find('\n');
    out.emplace_back(text.substr(0, feed));
    text.remove_prefix(feed == std::string_view::npos ? text.size() : feed + 1);
  }
  return out;
}

// The 1-based number of the n-th line (counted from 1) of a text that equals
// `line` once a trailing CR is dropped; 0 when there is none.
inline std::uint64_t line_number_of(std::string_view text, std::string_view line, int n = 1) {
  std::uint64_t lineno = 0;
  for (std::string_view l : split_lines(text)) {
    ++lineno;
    if (l.ends_with('\r')) l.remove_suffix(1);
    if (l == line && --n == 0) return lineno;
  }
  return 0;
}

// windows-1251 bytes of UTF-8 text; every character must have a byte.
inline std::string to_cp1251(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp = text::next_code_point(utf8, i);
    int byte = 0;
    while (byte < 256 && text::windows1251_to_code_point(static_cast<unsigned char>(byte)) != cp)
      ++byte;
    out.push_back(static_cast<char>(byte));
  }
  return out;
}

// UTF-16 bytes of UTF-8 text, without a byte order mark.
inline std::string to_utf16(std::string_view utf8, bool big_endian) {
  std::string out;
  auto unit = [&](char32_t u) {
    char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out.push_back(big_endian ? hi : lo);
    out.push_back(big_endian ? lo : hi);
  };
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp = text::next_code_point(utf8, i);
    if (cp < 0x10000) {
      unit(cp);
    } else {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
  }
  return out;
}

// A string of n copies of a UTF-8 character.
inline std::string repeat(std::string_view ch, std::size_t n) {
  std::string out;
  out.reserve(ch.size() * n);
  for (std::size_t i = 0; i < n; ++i) out.append(ch);
  return out;
}

} // namespace velmora::testing
