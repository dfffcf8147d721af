#include "convert/document_record.hpp"

#include <tuple>
#include <type_traits>
#include <utility>

#include "convert/rendering.hpp"

namespace velmora_py {
namespace {

using velmora::Document;
using velmora::FieldKind;

// Every member of Document in declaration order; the static checks below
// hold this list to the key table.
auto members(Document &d) {
  return std::tie(
      d.doc_number, d.doc_type, d.payment_type, d.doc_date, d.purpose, d.ordering, d.amount,
      d.counterparty_inn, d.counterparty_kpp, d.counterparty_bic, d.counterparty_bank1,
      d.counterparty_account, d.counterparty, d.counterparty_1, d.outcome_date,
      d.counterparty_ras_account, d.counterparty_cor_account, d.payee_inn, d.payee,
      d.payee_account, d.payee_kpp, d.payee_bic, d.payee_bank1, d.payee_ras_account,
      d.payee_cor_account, d.income_date, d.counterparty_2, d.counterparty_3, d.counterparty_4,
      d.counterparty_bank2, d.payee_1, d.payee_2, d.payee_3, d.payee_4, d.payee_bank2,
      d.payment_kind, d.payment_deadline, d.uin, d.purpose_code, d.purpose_1, d.purpose_2,
      d.purpose_3, d.purpose_4, d.purpose_5, d.purpose_6, d.compiler_status, d.kbk, d.okato,
      d.tax_basis, d.tax_period, d.tax_number, d.tax_date, d.tax_type);
}

using Members = decltype(members(std::declval<Document &>()));

template <class T> constexpr FieldKind kind_of() {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, std::string>) return FieldKind::Text;
  else if constexpr (std::is_same_v<U, std::optional<std::string>>) return FieldKind::OptionalText;
  else if constexpr (std::is_same_v<U, velmora::Date>) return FieldKind::RequiredDate;
  else if constexpr (std::is_same_v<U, std::optional<velmora::Date>>) return FieldKind::OptionalDate;
  else return FieldKind::Amount;
}

template <std::size_t... I> constexpr bool kinds_match(std::index_sequence<I...>) {
  return ((kind_of<std::tuple_element_t<I, Members>>() == velmora::kDocumentFields[I].kind) && ...);
}

static_assert(std::tuple_size_v<Members> == velmora::kDocumentFieldCount);
static_assert(kinds_match(std::make_index_sequence<velmora::kDocumentFieldCount>{}),
              "the member list and the key table disagree");

constexpr bool attribute_order_is_a_permutation() {
  std::array<bool, velmora::kDocumentFieldCount> seen{};
  for (std::string_view name : kDocumentAttributeOrder) {
    std::size_t slot = document_slot(name);
    if (slot == velmora::kDocumentFieldCount || seen[slot]) return false;
    seen[slot] = true;
  }
  return true;
}
static_assert(attribute_order_is_a_permutation());

template <std::size_t... I>
void move_members(Members fields, DocumentRecord &record, std::index_sequence<I...>) {
  ((record[I] = render(std::move(std::get<I>(fields)))), ...);
}

} // namespace

DocumentRecord render_document(Document &&document) {
  DocumentRecord record;
  move_members(members(document), record, std::make_index_sequence<velmora::kDocumentFieldCount>{});
  return record;
}

} // namespace velmora_py
