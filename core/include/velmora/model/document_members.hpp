#pragma once

#include <array>
#include <optional>
#include <string>
#include <variant>

#include "velmora/model/document.hpp"

namespace velmora {

// A pointer to one Document member, of whichever type the member has.
using DocumentMember =
    std::variant<std::string Document::*, std::optional<std::string> Document::*, Date Document::*,
                 std::optional<Date> Document::*, Decimal Document::*>;

// Member i is the field that kDocumentFields[i] describes.
inline const std::array<DocumentMember, kDocumentFieldCount> kDocumentMembers{{
    &Document::doc_number,
    &Document::doc_type,
    &Document::payment_type,
    &Document::doc_date,
    &Document::purpose,
    &Document::ordering,
    &Document::amount,
    &Document::counterparty_inn,
    &Document::counterparty_kpp,
    &Document::counterparty_bic,
    &Document::counterparty_bank1,
    &Document::counterparty_account,
    &Document::counterparty,
    &Document::counterparty_1,
    &Document::outcome_date,
    &Document::counterparty_ras_account,
    &Document::counterparty_cor_account,
    &Document::payee_inn,
    &Document::payee,
    &Document::payee_account,
    &Document::payee_kpp,
    &Document::payee_bic,
    &Document::payee_bank1,
    &Document::payee_ras_account,
    &Document::payee_cor_account,
    &Document::income_date,
    &Document::counterparty_2,
    &Document::counterparty_3,
    &Document::counterparty_4,
    &Document::counterparty_bank2,
    &Document::payee_1,
    &Document::payee_2,
    &Document::payee_3,
    &Document::payee_4,
    &Document::payee_bank2,
    &Document::payment_kind,
    &Document::payment_deadline,
    &Document::uin,
    &Document::purpose_code,
    &Document::purpose_1,
    &Document::purpose_2,
    &Document::purpose_3,
    &Document::purpose_4,
    &Document::purpose_5,
    &Document::purpose_6,
    &Document::compiler_status,
    &Document::kbk,
    &Document::okato,
    &Document::tax_basis,
    &Document::tax_period,
    &Document::tax_number,
    &Document::tax_date,
    &Document::tax_type,
}};

} // namespace velmora
