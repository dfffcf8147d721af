#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "velmora/model/date.hpp"
#include "velmora/model/decimal.hpp"

namespace velmora {

// One payment document section. Members are in declaration order, the order
// in which missing required fields are reported.
struct Document {
  std::string doc_number; // "Номер"
  std::string doc_type; // "СекцияДокумент"
  std::optional<std::string> payment_type; // "ВидОплаты"
  Date doc_date; // "Дата"
  std::string purpose; // "НазначениеПлатежа"
  std::optional<std::string> ordering; // "Очередность"
  Decimal amount; // "Сумма"
  std::string counterparty_inn; // "ПлательщикИНН"
  std::optional<std::string> counterparty_kpp; // "ПлательщикКПП"
  std::string counterparty_bic; // "ПлательщикБИК"
  std::string counterparty_bank1; // "ПлательщикБанк1"
  std::string counterparty_account; // "ПлательщикСчет"
  std::optional<std::string> counterparty; // "Плательщик"
  std::optional<std::string> counterparty_1; // "Плательщик1"
  std::optional<Date> outcome_date; // "ДатаСписано"
  std::optional<std::string> counterparty_ras_account; // "ПлательщикРасчСчет"
  std::optional<std::string> counterparty_cor_account; // "ПлательщикКорсчет"
  std::string payee_inn; // "ПолучательИНН"
  std::optional<std::string> payee; // "Получатель"
  std::string payee_account; // "ПолучательСчет"
  std::optional<std::string> payee_kpp; // "ПолучательКПП"
  std::string payee_bic; // "ПолучательБИК"
  std::string payee_bank1; // "ПолучательБанк1"
  std::optional<std::string> payee_ras_account; // "ПолучательРасчСчет"
  std::optional<std::string> payee_cor_account; // "ПолучательКорсчет"
  std::optional<Date> income_date; // "ДатаПоступило"
  std::optional<std::string> counterparty_2; // "Плательщик2"
  std::optional<std::string> counterparty_3; // "Плательщик3"
  std::optional<std::string> counterparty_4; // "Плательщик4"
  std::optional<std::string> counterparty_bank2; // "ПлательщикБанк2"
  std::optional<std::string> payee_1; // "Получатель1"
  std::optional<std::string> payee_2; // "Получатель2"
  std::optional<std::string> payee_3; // "Получатель3"
  std::optional<std::string> payee_4; // "Получатель4"
  std::optional<std::string> payee_bank2; // "ПолучательБанк2"
  std::optional<std::string> payment_kind; // "ВидПлатежа"
  std::optional<std::string> payment_deadline; // "СрокПлатежа"
  std::optional<std::string> uin; // "Код"
  std::optional<std::string> purpose_code; // "КодНазПлатежа"
  std::optional<std::string> purpose_1; // "НазначениеПлатежа1"
  std::optional<std::string> purpose_2; // "НазначениеПлатежа2"
  std::optional<std::string> purpose_3; // "НазначениеПлатежа3"
  std::optional<std::string> purpose_4; // "НазначениеПлатежа4"
  std::optional<std::string> purpose_5; // "НазначениеПлатежа5"
  std::optional<std::string> purpose_6; // "НазначениеПлатежа6"
  std::optional<std::string> compiler_status; // "СтатусСоставителя"
  std::optional<std::string> kbk; // "ПоказательКБК"
  std::optional<std::string> okato; // "ОКАТО"
  std::optional<std::string> tax_basis; // "ПоказательОснования"
  std::optional<std::string> tax_period; // "ПоказательПериода"
  std::optional<std::string> tax_number; // "ПоказательНомера"
  std::optional<std::string> tax_date; // "ПоказательДаты"
  std::optional<std::string> tax_type; // "ПоказательТипа"

  friend bool operator==(const Document &, const Document &) = default;
};

enum class FieldKind { Text, OptionalText, RequiredDate, OptionalDate, Amount };

struct DocumentField {
  std::string_view name; // member name, as Python shows it
  std::string_view key;  // attribute key in the statement file
  FieldKind kind;
  bool required;
};

inline constexpr std::size_t kDocumentFieldCount = 53;

// The key table, in declaration order: entry i describes the i-th member.
inline constexpr std::array<DocumentField, kDocumentFieldCount> kDocumentFields{{
    DocumentField{"doc_number", "Номер", FieldKind::Text, true},
    DocumentField{"doc_type", "СекцияДокумент", FieldKind::Text, true},
    DocumentField{"payment_type", "ВидОплаты", FieldKind::OptionalText, false},
    DocumentField{"doc_date", "Дата", FieldKind::RequiredDate, true},
    DocumentField{"purpose", "НазначениеПлатежа", FieldKind::Text, true},
    DocumentField{"ordering", "Очередность", FieldKind::OptionalText, false},
    DocumentField{"amount", "Сумма", FieldKind::Amount, true},
    DocumentField{"counterparty_inn", "ПлательщикИНН", FieldKind::Text, true},
    DocumentField{"counterparty_kpp", "ПлательщикКПП", FieldKind::OptionalText, false},
    DocumentField{"counterparty_bic", "ПлательщикБИК", FieldKind::Text, true},
    DocumentField{"counterparty_bank1", "ПлательщикБанк1", FieldKind::Text, true},
    DocumentField{"counterparty_account", "ПлательщикСчет", FieldKind::Text, true},
    DocumentField{"counterparty", "Плательщик", FieldKind::OptionalText, false},
    DocumentField{"counterparty_1", "Плательщик1", FieldKind::OptionalText, false},
    DocumentField{"outcome_date", "ДатаСписано", FieldKind::OptionalDate, false},
    DocumentField{"counterparty_ras_account", "ПлательщикРасчСчет", FieldKind::OptionalText, false},
    DocumentField{"counterparty_cor_account", "ПлательщикКорсчет", FieldKind::OptionalText, false},
    DocumentField{"payee_inn", "ПолучательИНН", FieldKind::Text, true},
    DocumentField{"payee", "Получатель", FieldKind::OptionalText, false},
    DocumentField{"payee_account", "ПолучательСчет", FieldKind::Text, true},
    DocumentField{"payee_kpp", "ПолучательКПП", FieldKind::OptionalText, false},
    DocumentField{"payee_bic", "ПолучательБИК", FieldKind::Text, true},
    DocumentField{"payee_bank1", "ПолучательБанк1", FieldKind::Text, true},
    DocumentField{"payee_ras_account", "ПолучательРасчСчет", FieldKind::OptionalText, false},
    DocumentField{"payee_cor_account", "ПолучательКорсчет", FieldKind::OptionalText, false},
    DocumentField{"income_date", "ДатаПоступило", FieldKind::OptionalDate, false},
    DocumentField{"counterparty_2", "Плательщик2", FieldKind::OptionalText, false},
    DocumentField{"counterparty_3", "Плательщик3", FieldKind::OptionalText, false},
    DocumentField{"counterparty_4", "Плательщик4", FieldKind::OptionalText, false},
    DocumentField{"counterparty_bank2", "ПлательщикБанк2", FieldKind::OptionalText, false},
    DocumentField{"payee_1", "Получатель1", FieldKind::OptionalText, false},
    DocumentField{"payee_2", "Получатель2", FieldKind::OptionalText, false},
    DocumentField{"payee_3", "Получатель3", FieldKind::OptionalText, false},
    DocumentField{"payee_4", "Получатель4", FieldKind::OptionalText, false},
    DocumentField{"payee_bank2", "ПолучательБанк2", FieldKind::OptionalText, false},
    DocumentField{"payment_kind", "ВидПлатежа", FieldKind::OptionalText, false},
    DocumentField{"payment_deadline", "СрокПлатежа", FieldKind::OptionalText, false},
    DocumentField{"uin", "Код", FieldKind::OptionalText, false},
    DocumentField{"purpose_code", "КодНазПлатежа", FieldKind::OptionalText, false},
    DocumentField{"purpose_1", "НазначениеПлатежа1", FieldKind::OptionalText, false},
    DocumentField{"purpose_2", "НазначениеПлатежа2", FieldKind::OptionalText, false},
    DocumentField{"purpose_3", "НазначениеПлатежа3", FieldKind::OptionalText, false},
    DocumentField{"purpose_4", "НазначениеПлатежа4", FieldKind::OptionalText, false},
    DocumentField{"purpose_5", "НазначениеПлатежа5", FieldKind::OptionalText, false},
    DocumentField{"purpose_6", "НазначениеПлатежа6", FieldKind::OptionalText, false},
    DocumentField{"compiler_status", "СтатусСоставителя", FieldKind::OptionalText, false},
    DocumentField{"kbk", "ПоказательКБК", FieldKind::OptionalText, false},
    DocumentField{"okato", "ОКАТО", FieldKind::OptionalText, false},
    DocumentField{"tax_basis", "ПоказательОснования", FieldKind::OptionalText, false},
    DocumentField{"tax_period", "ПоказательПериода", FieldKind::OptionalText, false},
    DocumentField{"tax_number", "ПоказательНомера", FieldKind::OptionalText, false},
    DocumentField{"tax_date", "ПоказательДаты", FieldKind::OptionalText, false},
    DocumentField{"tax_type", "ПоказательТипа", FieldKind::OptionalText, false},
}};

} // namespace velmora
