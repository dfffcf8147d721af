"""Statement texts and parse helpers shared by the Python tests."""

import ast
import subprocess
import sys

import pytest

import velmora_py

DOCUMENT_TYPE = "Платежное поручение"

# The smallest attribute set from which a document is built.
DOCUMENT = {
    "Номер": "17",
    "Дата": "05.03.2024",
    "Сумма": "100.50",
    "НазначениеПлатежа": "Оплата по счёту №5",
    "ПлательщикИНН": "7701234567",
    "ПлательщикБИК": "044525225",
    "ПлательщикБанк1": "ПАО СБЕРБАНК",
    "ПлательщикСчет": "40702810900000000001",
    "ПолучательИНН": "7809876543",
    "ПолучательСчет": "40702810500000000002",
    "ПолучательБИК": "044030653",
    "ПолучательБанк1": "СЕВЕРО-ЗАПАДНЫЙ БАНК",
}

ACCOUNT_NUMBER = "40702810900000000001"

# The smallest attribute set from which an interval is built.
ACCOUNT = {
    "ДатаНачала": "01.03.2024",
    "НачальныйОстаток": "1000.00",
    "РасчСчет": ACCOUNT_NUMBER,
}

# Every Document attribute in the order the class declares it, with the file
# key that supplies it and its kind: "req", "opt", or the typed "date",
# "optdate" and "amount". The type comes from the section's opening line.
DOCUMENT_FIELDS = [
    ("doc_number", "Номер", "req"), ("doc_type", "СекцияДокумент", "req"),
    ("doc_date", "Дата", "date"), ("amount", "Сумма", "amount"),
    ("purpose", "НазначениеПлатежа", "req"), ("payment_type", "ВидОплаты", "opt"),
    ("ordering", "Очередность", "opt"), ("counterparty_inn", "ПлательщикИНН", "req"),
    ("counterparty_kpp", "ПлательщикКПП", "opt"), ("counterparty_bic", "ПлательщикБИК", "req"),
    ("counterparty_bank1", "ПлательщикБанк1", "req"),
    ("counterparty_account", "ПлательщикСчет", "req"), ("counterparty", "Плательщик", "opt"),
    ("counterparty_1", "Плательщик1", "opt"),
    ("counterparty_ras_account", "ПлательщикРасчСчет", "opt"),
    ("counterparty_cor_account", "ПлательщикКорсчет", "opt"),
    ("outcome_date", "ДатаСписано", "optdate"), ("payee_inn", "ПолучательИНН", "req"),
    ("payee", "Получатель", "opt"), ("payee_account", "ПолучательСчет", "req"),
    ("payee_kpp", "ПолучательКПП", "opt"), ("payee_bic", "ПолучательБИК", "req"),
    ("payee_bank1", "ПолучательБанк1", "req"), ("payee_ras_account", "ПолучательРасчСчет", "opt"),
    ("payee_cor_account", "ПолучательКорсчет", "opt"), ("income_date", "ДатаПоступило", "optdate"),
    ("counterparty_2", "Плательщик2", "opt"), ("counterparty_3", "Плательщик3", "opt"),
    ("counterparty_4", "Плательщик4", "opt"), ("counterparty_bank2", "ПлательщикБанк2", "opt"),
    ("payee_1", "Получатель1", "opt"), ("payee_2", "Получатель2", "opt"),
    ("payee_3", "Получатель3", "opt"), ("payee_4", "Получатель4", "opt"),
    ("payee_bank2", "ПолучательБанк2", "opt"), ("payment_kind", "ВидПлатежа", "opt"),
    ("payment_deadline", "СрокПлатежа", "opt"), ("uin", "Код", "opt"),
    ("purpose_code", "КодНазПлатежа", "opt"), ("purpose_1", "НазначениеПлатежа1", "opt"),
    ("purpose_2", "НазначениеПлатежа2", "opt"), ("purpose_3", "НазначениеПлатежа3", "opt"),
    ("purpose_4", "НазначениеПлатежа4", "opt"), ("purpose_5", "НазначениеПлатежа5", "opt"),
    ("purpose_6", "НазначениеПлатежа6", "opt"), ("compiler_status", "СтатусСоставителя", "opt"),
    ("kbk", "ПоказательКБК", "opt"), ("okato", "ОКАТО", "opt"),
    ("tax_basis", "ПоказательОснования", "opt"), ("tax_period", "ПоказательПериода", "opt"),
    ("tax_number", "ПоказательНомера", "opt"), ("tax_date", "ПоказательДаты", "opt"),
    ("tax_type", "ПоказательТипа", "opt"),
]

REQUIRED_KINDS = ("req", "date", "amount")


def full_document_attrs():
    """Attributes for every document key, each text value distinct; with the
    values that the Document attributes must then show."""
    attrs, expected = {}, {"doc_type": DOCUMENT_TYPE}
    dates = iter(["07.01.2024", "1.2.2024", "29.02.2024"])
    rendered = iter(["2024-01-07", "2024-02-01", "2024-02-29"])
    for number, (name, key, kind) in enumerate(DOCUMENT_FIELDS):
        if name == "doc_type":
            continue
        if kind in ("date", "optdate"):
            attrs[key], expected[name] = next(dates), next(rendered)
        elif kind == "amount":
            attrs[key], expected[name] = "-1_234.50", "-1234.50"
        else:
            attrs[key] = expected[name] = f"значение {number} {name}"
    return attrs, expected


HEADER = {
    "ВерсияФормата": "1.03",
    "Кодировка": "Windows",
    "Отправитель": "Бухгалтерия",
}


def _merge(base, changes):
    """Copies base with changes applied; a value of None removes the key."""
    attrs = dict(base)
    for key, value in changes.items():
        if value is None:
            attrs.pop(key, None)
        else:
            attrs[key] = value
    return attrs


def document(doc_type=DOCUMENT_TYPE, **changes):
    return ("document", doc_type, _merge(DOCUMENT, changes))


def account(**changes):
    return ("account", None, _merge(ACCOUNT, changes))


def account_attrs(number=ACCOUNT_NUMBER, **values):
    """Account section attributes from keyword names of Interval fields."""
    keys = {
        "date_start": "ДатаНачала",
        "date_end": "ДатаКонца",
        "start_amount": "НачальныйОстаток",
        "end_amount": "КонечныйОстаток",
        "total_income": "ВсегоПоступило",
        "total_expense": "ВсегоСписано",
    }
    attrs = {"РасчСчет": number}
    attrs.update({keys[name]: value for name, value in values.items()})
    return ("account", None, attrs)


def statement_lines(header=None, sections=()):
    lines = ["1CClientBankExchange"]
    lines += [f"{k}={v}" for k, v in (HEADER if header is None else header).items()]
    for kind, doc_type, attrs in sections:
        if kind == "document":
            lines.append(f"СекцияДокумент={doc_type}")
            lines += [f"{k}={v}" for k, v in attrs.items()]
            lines.append("КонецДокумента")
        else:
            lines.append("СекцияРасчСчет")
            lines += [f"{k}={v}" for k, v in attrs.items()]
            lines.append("КонецРасчСчет")
    lines.append("КонецФайла")
    return lines


def make_statement(header=None, sections=()):
    """The statement text with one line per attribute."""
    return "\r\n".join(statement_lines(header, sections)) + "\r\n"


def closing_lines(text):
    """1-based numbers of the lines that close a section, in order."""
    return [
        number
        for number, line in enumerate(text.splitlines(), start=1)
        if line in ("КонецДокумента", "КонецРасчСчет")
    ]


_MEMORY_FAILURE_SCRIPT = """
import sys, _testcapi, velmora_py
data = sys.stdin.buffer.read()
hooks = None if sys.argv[1] == "" else [eval(sys.argv[1])]
seen = set()
for start in range(1, 400):
    _testcapi.set_nomemory(start, start + 1)
    try:
        velmora_py.parse(data, hooks)
        outcome = "ok"
    except BaseException as error:  # the kind is the result
        outcome = (type(error).__qualname__, isinstance(error, Exception))
    finally:
        _testcapi.remove_mem_hooks()
    seen.add(outcome)
print(repr(sorted(seen, key=repr)))
"""


def memory_failure_outcomes(data, hook_source=None):
    """The kinds of outcome of parse when the n-th allocation of the
    interpreter fails, for each n until the parse needs fewer; `hook_source`
    is the source of one hook (a lambda). Runs in a fresh interpreter: after
    failed allocations, the free-threaded CPython 3.13 can be left unsound
    on its own (a pure-Python loop under the same failures crashes it later),
    and the rest of the suite must not run in it."""
    pytest.importorskip("_testcapi")
    run = subprocess.run([sys.executable, "-c", _MEMORY_FAILURE_SCRIPT, hook_source or ""],
                         input=data, capture_output=True, timeout=300)
    assert run.returncode == 0, run.stderr.decode(errors="replace")
    return set(ast.literal_eval(run.stdout.decode().strip()))
