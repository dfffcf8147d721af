#pragma once

// The one definition of the fields of the two records that a statement's
// sections build, Document and Interval. The structs, their key tables, their
// member pointers, the Python records and attribute orders are all derived
// from the two lists below; tools/gen_fields.py derives the Python package's
// lists and the type stubs from them. Adding a field is one line here, a run
// of tools/gen_fields.py, and the docs.
//
// Each line is X(member, key, kind, required, attribute):
//   member     the model's member name, which is also the Python attribute name
//   key        the attribute key in the statement file that supplies the field
//   kind       Text, Date or Amount: what the value is converted to
//   required   true: every record has the field; false: it is std::optional
//   attribute  the field's place (from 0) in the order in which the Python
//              class declares its attributes
// Lines are in declaration order, which is also the order in which missing
// required fields are reported. The script reads these lines: keep one field
// per line, in this shape.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "velmora/model/date.hpp"
#include "velmora/model/decimal.hpp"

// clang-format off
#define VELMORA_DOCUMENT_FIELDS(X)                                            \
  X(doc_number,               "Номер",               Text,   true,   0)       \
  X(doc_type,                 "СекцияДокумент",      Text,   true,   1)       \
  X(payment_type,             "ВидОплаты",           Text,   false,  5)       \
  X(doc_date,                 "Дата",                Date,   true,   2)       \
  X(purpose,                  "НазначениеПлатежа",   Text,   true,   4)       \
  X(ordering,                 "Очередность",         Text,   false,  6)       \
  X(amount,                   "Сумма",               Amount, true,   3)       \
  X(counterparty_inn,         "ПлательщикИНН",       Text,   true,   7)       \
  X(counterparty_kpp,         "ПлательщикКПП",       Text,   false,  8)       \
  X(counterparty_bic,         "ПлательщикБИК",       Text,   true,   9)       \
  X(counterparty_bank1,       "ПлательщикБанк1",     Text,   true,  10)       \
  X(counterparty_account,     "ПлательщикСчет",      Text,   true,  11)       \
  X(counterparty,             "Плательщик",          Text,   false, 12)       \
  X(counterparty_1,           "Плательщик1",         Text,   false, 13)       \
  X(outcome_date,             "ДатаСписано",         Date,   false, 16)       \
  X(counterparty_ras_account, "ПлательщикРасчСчет",  Text,   false, 14)       \
  X(counterparty_cor_account, "ПлательщикКорсчет",   Text,   false, 15)       \
  X(payee_inn,                "ПолучательИНН",       Text,   true,  17)       \
  X(payee,                    "Получатель",          Text,   false, 18)       \
  X(payee_account,            "ПолучательСчет",      Text,   true,  19)       \
  X(payee_kpp,                "ПолучательКПП",       Text,   false, 20)       \
  X(payee_bic,                "ПолучательБИК",       Text,   true,  21)       \
  X(payee_bank1,              "ПолучательБанк1",     Text,   true,  22)       \
  X(payee_ras_account,        "ПолучательРасчСчет",  Text,   false, 23)       \
  X(payee_cor_account,        "ПолучательКорсчет",   Text,   false, 24)       \
  X(income_date,              "ДатаПоступило",       Date,   false, 25)       \
  X(counterparty_2,           "Плательщик2",         Text,   false, 26)       \
  X(counterparty_3,           "Плательщик3",         Text,   false, 27)       \
  X(counterparty_4,           "Плательщик4",         Text,   false, 28)       \
  X(counterparty_bank2,       "ПлательщикБанк2",     Text,   false, 29)       \
  X(payee_1,                  "Получатель1",         Text,   false, 30)       \
  X(payee_2,                  "Получатель2",         Text,   false, 31)       \
  X(payee_3,                  "Получатель3",         Text,   false, 32)       \
  X(payee_4,                  "Получатель4",         Text,   false, 33)       \
  X(payee_bank2,              "ПолучательБанк2",     Text,   false, 34)       \
  X(payment_kind,             "ВидПлатежа",          Text,   false, 35)       \
  X(payment_deadline,         "СрокПлатежа",         Text,   false, 36)       \
  X(uin,                      "Код",                 Text,   false, 37)       \
  X(purpose_code,             "КодНазПлатежа",       Text,   false, 38)       \
  X(purpose_1,                "НазначениеПлатежа1",  Text,   false, 39)       \
  X(purpose_2,                "НазначениеПлатежа2",  Text,   false, 40)       \
  X(purpose_3,                "НазначениеПлатежа3",  Text,   false, 41)       \
  X(purpose_4,                "НазначениеПлатежа4",  Text,   false, 42)       \
  X(purpose_5,                "НазначениеПлатежа5",  Text,   false, 43)       \
  X(purpose_6,                "НазначениеПлатежа6",  Text,   false, 44)       \
  X(compiler_status,          "СтатусСоставителя",   Text,   false, 45)       \
  X(kbk,                      "ПоказательКБК",       Text,   false, 46)       \
  X(okato,                    "ОКАТО",               Text,   false, 47)       \
  X(tax_basis,                "ПоказательОснования", Text,   false, 48)       \
  X(tax_period,               "ПоказательПериода",   Text,   false, 49)       \
  X(tax_number,               "ПоказательНомера",    Text,   false, 50)       \
  X(tax_date,                 "ПоказательДаты",      Text,   false, 51)       \
  X(tax_type,                 "ПоказательТипа",      Text,   false, 52)

#define VELMORA_INTERVAL_FIELDS(X)                                            \
  X(date_start,               "ДатаНачала",          Date,   true,   0)       \
  X(date_end,                 "ДатаКонца",           Date,   false,  1)       \
  X(start_amount,             "НачальныйОстаток",    Amount, true,   2)       \
  X(end_amount,               "КонечныйОстаток",     Amount, false,  3)       \
  X(total_income,             "ВсегоПоступило",      Amount, false,  4)       \
  X(total_expense,            "ВсегоСписано",        Amount, false,  5)
// clang-format on

// Expansions shared by the record headers: a member declaration, a table
// entry, a counter and a member pointer.
#define VELMORA_FIELD_MEMBER(member, key, kind, required, attribute)                               \
  ::velmora::FieldType<::velmora::FieldKind::kind, required> member;
#define VELMORA_FIELD_INFO(member, key, kind, required, attribute)                                 \
  ::velmora::FieldInfo{#member, key, ::velmora::FieldKind::kind, required, attribute},
#define VELMORA_FIELD_COUNT(member, key, kind, required, attribute) +1
#define VELMORA_FIELD_POINTER(member, key, kind, required, attribute) &Self::member,

// The RecordFields specialisation of a record made from its field list,
// checked: names and keys unique, attribute places a permutation.
#define VELMORA_RECORD_FIELDS(Record, LIST)                                                        \
  template <> struct RecordFields<Record> {                                                        \
    using Self = Record;                                                                           \
    static constexpr std::array<::velmora::FieldInfo, 0 LIST(VELMORA_FIELD_COUNT)> kFields{        \
        {LIST(VELMORA_FIELD_INFO)}};                                                               \
    static constexpr std::tuple kMembers{LIST(VELMORA_FIELD_POINTER)};                             \
  };                                                                                               \
  static_assert(std::tuple_size_v<decltype(RecordFields<Record>::kMembers)> ==                     \
                RecordFields<Record>::kFields.size());                                             \
  static_assert(::velmora::fields_are_consistent(RecordFields<Record>::kFields))

namespace velmora {

// What a field's value text is converted to.
enum class FieldKind : std::uint8_t { Text, Date, Amount };

template <FieldKind K> struct FieldValue;
template <> struct FieldValue<FieldKind::Text> {
  using type = std::string;
};
template <> struct FieldValue<FieldKind::Date> {
  using type = velmora::Date;
};
template <> struct FieldValue<FieldKind::Amount> {
  using type = Decimal;
};

// The member type of a field: the value itself, or std::optional of it.
template <FieldKind K, bool Required>
using FieldType = std::conditional_t<Required, typename FieldValue<K>::type,
                                     std::optional<typename FieldValue<K>::type>>;

// One line of a field list, as data.
struct FieldInfo {
  std::string_view name; // member name, also the Python attribute name
  std::string_view key;  // attribute key in the statement file
  FieldKind kind;
  bool required;
  std::size_t attribute; // place among the Python class's attributes
};

// Specialised next to each record: kFields (the FieldInfo of each member, in
// declaration order) and kMembers (a tuple of the member pointers, in the
// same order).
template <class Record> struct RecordFields;

// The I-th member of a record, by direct access.
template <std::size_t I, class Record> constexpr auto &field(Record &record) {
  return record.*std::get<I>(RecordFields<std::remove_const_t<Record>>::kMembers);
}

// Calls f(info, member) for every field of `record` in declaration order,
// with `member` a reference of the field's own type (const if `record` is),
// so f is typically a generic lambda. Unrolled at compile time: each call
// reads its member directly, with no table lookup.
template <class Record, class F> constexpr void for_each_field(Record &record, F &&f) {
  using Fields = RecordFields<std::remove_const_t<Record>>;
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    (f(Fields::kFields[I], field<I>(record)), ...);
  }(std::make_index_sequence<Fields::kFields.size()>{});
}

// A well-formed field list: names and keys unique, attribute places a
// permutation of 0..N-1.
template <std::size_t N> constexpr bool fields_are_consistent(const std::array<FieldInfo, N> &f) {
  std::array<bool, N> placed{};
  for (std::size_t i = 0; i < N; ++i) {
    if (f[i].attribute >= N || placed[f[i].attribute]) return false;
    placed[f[i].attribute] = true;
    for (std::size_t j = 0; j < i; ++j) {
      if (f[i].name == f[j].name || f[i].key == f[j].key) return false;
    }
  }
  return true;
}

// The field names in attribute order, as the Python class declares them.
template <std::size_t N>
constexpr std::array<std::string_view, N> attribute_order(const std::array<FieldInfo, N> &f) {
  std::array<std::string_view, N> order{};
  for (const FieldInfo &info : f) order[info.attribute] = info.name;
  return order;
}

// The index of the field with this member name in a list; N if none.
template <std::size_t N>
constexpr std::size_t field_index(const std::array<FieldInfo, N> &f, std::string_view name) {
  for (std::size_t i = 0; i < N; ++i) {
    if (f[i].name == name) return i;
  }
  return N;
}

} // namespace velmora
