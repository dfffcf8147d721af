"""Every cell of the tables equals what velmora_py.parse gives for the same
statement: dates as ISO text, amounts by value, texts identical, None as null;
extra keys as the section's attributes that no field takes."""

import datetime
import decimal
import random

import pytest
from hypothesis import given, strategies as st

import velmora
import velmora_py
from statement_grammar import property_settings, statements, trim
from statements import DOCUMENT, DOCUMENT_FIELDS, make_statement

pa = pytest.importorskip("pyarrow")

FIELD_KEYS = {key for _name, key, _kind in DOCUMENT_FIELDS}


def cell(value):
    """A table cell as velmora_py renders the same value."""
    if isinstance(value, datetime.date):
        return value.isoformat()
    return value


def same_amount(rendered, value):
    return (rendered is None and value is None) or decimal.Decimal(rendered) == value


def check_statement(data, source="<bytes 0>"):
    statement = velmora_py.parse(data)
    tables = velmora.read_tables(data)
    assert tables.errors.num_rows == 0
    docs = pa.table(tables.documents).to_pylist()
    assert len(docs) == len(statement.documents)
    for i, (row, doc) in enumerate(zip(docs, statement.documents)):
        assert row["source"] == source and row["document"] == i
        for name in velmora.DOCUMENT_ATTRIBUTES:
            if name == "amount":
                assert same_amount(doc.amount, row["amount"])
            else:
                assert cell(row[name]) == getattr(doc, name), name
    intervals = pa.table(tables.intervals).to_pylist()
    expected = [(number, iv) for number, account in statement.accounts.items() for iv in account.intervals]
    assert len(intervals) == len(expected)
    for row, (number, iv) in zip(intervals, expected):
        assert row["account"] == number
        assert cell(row["date_start"]) == iv.date_start and cell(row["date_end"]) == iv.date_end
        for name in ("start_amount", "end_amount", "total_income", "total_expense"):
            assert same_amount(getattr(iv, name), row[name]), name
    warnings = pa.table(tables.warnings).to_pylist()
    assert [(w["line"], w["message"]) for w in warnings] == statement.warnings
    header = pa.table(tables.header).to_pylist()
    assert dict((h["key"], h["value"]) for h in header) == statement.header
    assert list(dict((h["key"], h["value"]) for h in header)) == list(statement.header)
    return tables, statement


@property_settings(120)
@given(statements(faults=True))
def test_tables_equal_the_parse(generated):
    data = generated.data
    # A str statement is parsed as its UTF-8 encoding; read_tables takes a str as a path.
    tables, _ = check_statement(data.encode() if isinstance(data, str) else data)
    # Header rows are the header lines themselves, repeated keys included.
    for row in pa.table(tables.header).to_pylist():
        key, _, value = trim(generated.lines[row["line"] - 1]).partition("=")
        assert (row["key"], row["value"]) == (trim(key), trim(value))


UNKNOWN_KEYS = ["КвитанцияДата", "КвитанцияВремя", "КвитанцияСодержание", "СрокАкцепта",
                "УсловиеОплаты1", "ДатаОтсылкиДок", "Лишний", "", "ключ с пробелом", "НОМЕР"]


@st.composite
def documents_with_unknown_keys(draw):
    sections = []
    for _ in range(draw(st.integers(1, 4))):
        known = list(DOCUMENT.items())
        unknown = draw(st.lists(st.tuples(st.sampled_from(UNKNOWN_KEYS),
                                          st.text("абвxyz0123 .", max_size=6)), max_size=6))
        lines = known + unknown
        order = draw(st.permutations(range(len(lines))))
        sections.append(("Платежное поручение", [lines[i] for i in order]))
    header = draw(st.lists(st.tuples(st.sampled_from(["РасчСчет", "Документ", "ВерсияФормата"]),
                                     st.text("0123456789", max_size=5)), max_size=5))
    return header, sections


def expected_extras(data):
    """What hooks see of each document section, less the field keys."""
    seen = []

    def hook(section_type, attrs, header):
        if section_type == velmora_py.SectionType.Document:
            seen.append([(k, v) for k, v in attrs.items() if k not in FIELD_KEYS])

    velmora_py.parse(data, [hook])
    return seen


def render(header, sections):
    lines = ["1CClientBankExchange"] + [f"{k}={v}" for k, v in header]
    for doc_type, attrs in sections:
        lines.append(f"СекцияДокумент={doc_type}")
        lines += [f"{k}={v}" for k, v in attrs]
        lines.append("КонецДокумента")
    lines.append("КонецФайла")
    return ("\n".join(lines) + "\n").encode()


@property_settings(120)
@given(documents_with_unknown_keys())
def test_extra_keys_are_kept_in_file_order_with_the_last_value(drawn):
    header, sections = drawn
    data = render(*drawn)
    tables, statement = check_statement(data)
    docs = pa.table(tables.documents).to_pylist()
    assert [row["extra"] for row in docs] == expected_extras(data)
    rows = pa.table(tables.header).to_pylist()
    assert [(r["line"], r["key"], r["value"]) for r in rows] == [
        (i + 2, k.strip(), v.strip()) for i, (k, v) in enumerate(header)]


def test_amount_scale_is_the_tables_largest_and_widens_past_38_digits():
    def with_amount(amount):
        attrs = dict(DOCUMENT, Сумма=amount)
        return make_statement(sections=[("document", "Платежное поручение", attrs)]).encode()

    big = with_amount("79228162514264337593543950335")
    small = with_amount("-0.0000000000000000000000000001")
    table = pa.table(velmora.read_tables([big, small]).documents)
    assert table.schema.field("amount").type == pa.decimal256(76, 28)
    assert table.column("amount").to_pylist() == [
        decimal.Decimal("79228162514264337593543950335"),
        decimal.Decimal("-0.0000000000000000000000000001")]
    narrow = pa.table(velmora.read_tables([small]).documents)
    assert narrow.schema.field("amount").type == pa.decimal128(38, 28)


def long_windows1251_statement(seed):
    """Enough document sections that windows-1251 input is decoded in
    several stretches, with sections open across their ends: some that do
    not build, repeated and unknown keys, long Cyrillic values."""
    rng = random.Random(seed)
    sections = []
    for i in range(2500):
        attrs = dict(DOCUMENT, Номер=str(i), НазначениеПлатежа="Оплата по счёту " * rng.randint(1, 12))
        fault = rng.random()
        if fault < 0.1:
            del attrs["Сумма"]
        elif fault < 0.2:
            attrs["Дата"] = rng.choice(["31.02.2024", "", "05-03-2024"])
        elif fault < 0.3:
            attrs["ДатаСписано"] = rng.choice(["", "06.03.2024", "6.3.2024"])
        lines = list(attrs.items()) + [(rng.choice(UNKNOWN_KEYS[:6]), "Квитанция " * rng.randint(0, 3))
                                       for _ in range(rng.randint(0, 3))]
        if rng.random() < 0.2:
            lines.append(("Номер", f"повтор {i}"))
        sections.append((rng.choice(["Платежное поручение", "Банковский ордер"]), lines))
    return render([("РасчСчет", "40702810900000000001")], sections).decode().encode("cp1251")


@pytest.mark.parametrize("seed", [1, 2])
def test_long_windows1251_statements_equal_the_parse(seed):
    data = long_windows1251_statement(seed)
    assert len(data) > 3 * 256 * 1024
    tables, statement = check_statement(data)
    assert statement.encoding == "cp1251" and statement.warnings
    # Extras of the sections that built: those whose closing line has no warning.
    closing = [n for n, line in enumerate(data.decode("cp1251").split("\n"), 1) if line == "КонецДокумента"]
    warned = {line for line, _message in statement.warnings}
    expected = [extra for extra, line in zip(expected_extras(data), closing, strict=True) if line not in warned]
    docs = pa.table(tables.documents).to_pylist()
    assert [row["extra"] for row in docs] == expected
