#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "velmora/model/document.hpp"

namespace velmora_py {

// A document as Python sees it: one slot per model member, in model order
// (slot i is kDocumentFields[i]), dates and the amount rendered to text.
// Required slots are always present.
using DocumentRecord = std::array<std::optional<std::string>, velmora::kDocumentFieldCount>;

// Moves the model's texts over; only the four typed fields allocate.
DocumentRecord render_document(velmora::Document &&document);

// The attribute names in the order the Python class declares them, which
// groups the fields differently from the model.
inline constexpr std::array<std::string_view, velmora::kDocumentFieldCount> kDocumentAttributeOrder{
    "doc_number",         "doc_type",
    "doc_date",           "amount",
    "purpose",            "payment_type",
    "ordering",           "counterparty_inn",
    "counterparty_kpp",   "counterparty_bic",
    "counterparty_bank1", "counterparty_account",
    "counterparty",       "counterparty_1",
    "counterparty_ras_account", "counterparty_cor_account",
    "outcome_date",       "payee_inn",
    "payee",              "payee_account",
    "payee_kpp",          "payee_bic",
    "payee_bank1",        "payee_ras_account",
    "payee_cor_account",  "income_date",
    "counterparty_2",     "counterparty_3",
    "counterparty_4",     "counterparty_bank2",
    "payee_1",            "payee_2",
    "payee_3",            "payee_4",
    "payee_bank2",        "payment_kind",
    "payment_deadline",   "uin",
    "purpose_code",       "purpose_1",
    "purpose_2",          "purpose_3",
    "purpose_4",          "purpose_5",
    "purpose_6",          "compiler_status",
    "kbk",                "okato",
    "tax_basis",          "tax_period",
    "tax_number",         "tax_date",
    "tax_type",
};

// The record slot of a model member, by name; kDocumentFieldCount if none.
constexpr std::size_t document_slot(std::string_view name) {
  for (std::size_t i = 0; i < velmora::kDocumentFields.size(); ++i) {
    if (velmora::kDocumentFields[i].name == name) return i;
  }
  return velmora::kDocumentFieldCount;
}

} // namespace velmora_py
