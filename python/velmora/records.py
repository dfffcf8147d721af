"""Plain-data views of velmora_py's result objects, for JSON and CSV."""

from typing import Any

import velmora_py

INTERVAL_ATTRIBUTES = (
    "date_start", "date_end", "start_amount", "end_amount", "total_income", "total_expense",
)

# The order in which velmora_py.Document declares its attributes.
DOCUMENT_ATTRIBUTES = (
    "doc_number", "doc_type", "doc_date", "amount", "purpose", "payment_type", "ordering",
    "counterparty_inn", "counterparty_kpp", "counterparty_bic", "counterparty_bank1",
    "counterparty_account", "counterparty", "counterparty_1", "counterparty_ras_account",
    "counterparty_cor_account", "outcome_date", "payee_inn", "payee", "payee_account", "payee_kpp",
    "payee_bic", "payee_bank1", "payee_ras_account", "payee_cor_account", "income_date",
    "counterparty_2", "counterparty_3", "counterparty_4", "counterparty_bank2", "payee_1", "payee_2",
    "payee_3", "payee_4", "payee_bank2", "payment_kind", "payment_deadline", "uin", "purpose_code",
    "purpose_1", "purpose_2", "purpose_3", "purpose_4", "purpose_5", "purpose_6", "compiler_status",
    "kbk", "okato", "tax_basis", "tax_period", "tax_number", "tax_date", "tax_type",
)


def interval_dict(interval: velmora_py.Interval) -> dict[str, str | None]:
    return {name: getattr(interval, name) for name in INTERVAL_ATTRIBUTES}


def document_dict(document: velmora_py.Document) -> dict[str, str | None]:
    return {name: getattr(document, name) for name in DOCUMENT_ATTRIBUTES}


def statement_dict(statement: velmora_py.Statement) -> dict[str, Any]:
    return {
        "encoding": statement.encoding,
        "header": dict(statement.header),
        "accounts": {
            number: [interval_dict(i) for i in account.intervals]
            for number, account in statement.accounts.items()
        },
        "documents": [document_dict(d) for d in statement.documents],
        "warnings": [{"lineno": lineno, "message": message} for lineno, message in statement.warnings],
    }
