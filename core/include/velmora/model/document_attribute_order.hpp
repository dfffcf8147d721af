#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "velmora/model/document.hpp"

namespace velmora {

// The document's field names in the order in which the Python class, and
// every table made from documents, shows them; it groups the fields
// differently from the declaration order of the key table.
inline constexpr std::array<std::string_view, kDocumentFieldCount> kDocumentAttributeOrder{
    "doc_number",
    "doc_type",
    "doc_date",
    "amount",
    "purpose",
    "payment_type",
    "ordering",
    "counterparty_inn",
    "counterparty_kpp",
    "counterparty_bic",
    "counterparty_bank1",
    "counterparty_account",
    "counterparty",
    "counterparty_1",
    "counterparty_ras_account",
    "counterparty_cor_account",
    "outcome_date",
    "payee_inn",
    "payee",
    "payee_account",
    "payee_kpp",
    "payee_bic",
    "payee_bank1",
    "payee_ras_account",
    "payee_cor_account",
    "income_date",
    "counterparty_2",
    "counterparty_3",
    "counterparty_4",
    "counterparty_bank2",
    "payee_1",
    "payee_2",
    "payee_3",
    "payee_4",
    "payee_bank2",
    "payment_kind",
    "payment_deadline",
    "uin",
    "purpose_code",
    "purpose_1",
    "purpose_2",
    "purpose_3",
    "purpose_4",
    "purpose_5",
    "purpose_6",
    "compiler_status",
    "kbk",
    "okato",
    "tax_basis",
    "tax_period",
    "tax_number",
    "tax_date",
    "tax_type",
};

// The index in kDocumentFields of a field name; kDocumentFieldCount if none.
constexpr std::size_t document_field_index(std::string_view name) {
  for (std::size_t i = 0; i < kDocumentFields.size(); ++i) {
    if (kDocumentFields[i].name == name) return i;
  }
  return kDocumentFieldCount;
}

} // namespace velmora
