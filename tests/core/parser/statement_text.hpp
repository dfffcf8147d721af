#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace velmora::testing {

// Joins lines with LF, ending with one.
inline std::string lines(std::initializer_list<std::string_view> ls) {
  std::string out;
  for (std::string_view l : ls) out.append(l).push_back('\n');
  return out;
}

// The attribute lines of a document that builds, without its markers.
inline std::string document_body(std::string_view number = "1", std::string_view amount = "100.00") {
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

inline std::string document_section(std::string_view number = "1", std::string_view amount = "100.00") {
  return "СекцияДокумент=Платежное поручение\n" + document_body(number, amount) + "КонецДокумента\n";
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

} // namespace velmora::testing
