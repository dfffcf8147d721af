"""The result objects that parse returns: attributes, rendering, reprs,
equality and lifetime."""

import gc
import pickle
import subprocess
import sys
import types
import unicodedata

import pytest
from hypothesis import given, settings, strategies as st

import velmora_py
from velmora_py import Account, Document, Interval, SectionType, Statement
from statements import (
    ACCOUNT_NUMBER,
    DOCUMENT,
    DOCUMENT_FIELDS,
    DOCUMENT_TYPE,
    HEADER,
    REQUIRED_KINDS,
    account,
    account_attrs,
    closing_lines,
    document,
    full_document_attrs,
    make_statement,
    memory_failure_outcomes,
)

RESULT_CLASSES = [Statement, Account, Interval, Document]
INTERVAL_FIELDS = ["date_start", "date_end", "start_amount", "end_amount", "total_income",
                   "total_expense"]
DECLARED = {
    Statement: ["encoding", "header", "accounts", "documents", "warnings"],
    Account: ["number", "intervals"],
    Interval: INTERVAL_FIELDS,
    Document: [name for name, _, _ in DOCUMENT_FIELDS],
}

_ESCAPES = {"\\": "\\\\", '"': '\\"', "\t": "\\t", "\r": "\\r", "\n": "\\n", "\0": "\\0"}
_ESCAPED_CATEGORIES = {"Cc", "Cf", "Cs", "Co", "Cn", "Zl", "Zp", "Mn", "Me"}


def quoted(text):
    """Quoted text for characters whose properties agree between the
    interpreter's Unicode tables and the module's (Mn and Me stand for
    Grapheme_Extend, which is exact for the alphabets used here)."""
    out = []
    for ch in text:
        category = unicodedata.category(ch)
        if ch in _ESCAPES:
            out.append(_ESCAPES[ch])
        elif category in _ESCAPED_CATEGORIES or (category == "Zs" and ch != " "):
            out.append("\\u{%x}" % ord(ch))
        else:
            out.append(ch)
    return '"' + "".join(out) + '"'


def parse(sections, header=None, encoding=None, hooks=None):
    text = make_statement(header, sections)
    return velmora_py.parse(text if encoding is None else text.encode(encoding), hooks)


def sample():
    result = parse([document(), account(), document()])
    acc = result.accounts[ACCOUNT_NUMBER]
    return {Statement: result, Account: acc, Interval: acc.intervals[0],
            Document: result.documents[0]}


@pytest.mark.parametrize("cls", RESULT_CLASSES, ids=lambda c: c.__name__)
def test_class_is_a_bare_final_record_type(cls):
    # Named without a module qualifier, like a built-in class.
    assert (cls.__qualname__, cls.__module__, repr(cls)) == (
        cls.__name__, "builtins", f"<class '{cls.__name__}'>")
    assert cls.__doc__ == ""
    with pytest.raises(TypeError):
        cls()
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})
    declared = [n for n, v in vars(cls).items() if isinstance(v, types.GetSetDescriptorType)]
    assert declared == DECLARED[cls]
    instance = sample()[cls]
    assert not hasattr(instance, "__dict__") and not hasattr(instance, "__weakref__")
    for name in DECLARED[cls] + ["extra"]:
        with pytest.raises(AttributeError):
            setattr(instance, name, "x")
        with pytest.raises(AttributeError):
            delattr(instance, name)
    assert str(instance) == repr(instance)
    with pytest.raises(TypeError):
        pickle.dumps(instance)


@pytest.mark.parametrize(
    "encoding, data",
    [
        ("utf-8", make_statement(None, [document()])),
        ("utf-8", make_statement(None, [document()]).encode("utf-8")),
        ("utf-8", b"\xef\xbb\xbf" + make_statement(None, [document()]).encode("utf-8")),
        ("cp1251", make_statement(None, [document()]).encode("cp1251")),
    ],
)
def test_encoding(encoding, data):
    result = velmora_py.parse(data)
    assert result.encoding == encoding
    assert repr(result) == f'Statement(encoding="{encoding}", documents=[...1], warnings=[...0])'


def test_statement_containers():
    header = {**HEADER, "ВерсияФормата": "2.00", "": "пусто"}
    sections = [account(), document(Номер=None), document(),
                account_attrs("2", date_start="1.1.2024", start_amount="5")]
    result = parse(sections, header=header)
    assert result.header == header and list(result.header) == list(HEADER) + [""]
    assert list(result.accounts) == [ACCOUNT_NUMBER, "2"]
    assert all(key == acc.number for key, acc in result.accounts.items())
    assert [type(d) for d in result.documents] == [Document]
    lineno = closing_lines(make_statement(header, sections))[1]
    assert result.warnings == [(lineno, "missing field `Номер`")]
    assert [type(v) for v in result.warnings[0]] == [int, str]
    assert repr(result) == 'Statement(encoding="utf-8", documents=[...1], warnings=[...1])'
    # The very same containers every time; the caller's changes persist,
    # while the repr keeps the counts of the conversion.
    for name in ("header", "accounts", "documents", "warnings"):
        assert getattr(result, name) is getattr(result, name)
    result.documents.append(1)
    result.warnings.clear()
    result.header["new"] = "v"
    assert len(result.documents) == 2 and result.warnings == [] and result.header["new"] == "v"
    assert repr(result) == 'Statement(encoding="utf-8", documents=[...1], warnings=[...1])'


def test_statement_without_documents_or_accounts():
    only_account, only_document = parse([account()], header={}), parse([document()])
    assert (only_account.header, only_account.documents, only_account.warnings) == ({}, [], [])
    assert repr(only_account).endswith("documents=[...0], warnings=[...0])")
    assert only_document.accounts == {}


def test_statement_compares_and_hashes_by_identity():
    a, b = parse([document()]), parse([document()])
    assert a == a and a != b and a.documents == b.documents
    assert len({a, b, a}) == 2


def test_document_attributes():
    attrs, expected = full_document_attrs()
    full = parse([("document", DOCUMENT_TYPE, attrs)]).documents[0]
    minimal = parse([document()]).documents[0]
    for name, key, kind in DOCUMENT_FIELDS:
        assert getattr(full, name) == expected[name], name
        value = getattr(minimal, name)
        if kind in REQUIRED_KINDS:
            assert type(value) is str, name
        else:
            assert value is None, name
    assert repr(minimal) == (
        'Document(doc_number="17", doc_type="Платежное поручение", doc_date="2024-03-05", '
        'amount="100.50")'
    )


def test_empty_values():
    doc = parse([document(ПлательщикКПП="", ДатаСписано=" ", СрокПлатежа="05.03.2024")]).documents[0]
    assert (doc.counterparty_kpp, doc.outcome_date, doc.payment_deadline) == ("", None, "05.03.2024")


DATES = [
    ("05.03.2024", "2024-03-05"), ("5.3.2024", "2024-03-05"), ("29.02.2024", "2024-02-29"),
    ("05.03.24", "0024-03-05"), ("01.01.0", "0000-01-01"), ("31.12.9999", "9999-12-31"),
    ("01.01.+10000", "+10000-01-01"), ("01.01.-1", "-0001-01-01"), ("01.01.-0", "0000-01-01"),
    ("31.12.+262142", "+262142-12-31"), ("01.01.-262143", "-262143-01-01"),
]


@pytest.mark.parametrize("written, rendered", DATES)
def test_date_rendering(written, rendered):
    result = parse([
        document(Дата=written, ДатаСписано=written, ДатаПоступило=written, ПоказательДаты=written),
        account_attrs(date_start=written, date_end=written, start_amount="1"),
    ])
    doc, interval = result.documents[0], result.accounts[ACCOUNT_NUMBER].intervals[0]
    assert (doc.doc_date, doc.outcome_date, doc.income_date) == (rendered,) * 3
    assert (interval.date_start, interval.date_end) == (rendered,) * 2
    assert doc.tax_date == written  # a text field, not reformatted


AMOUNTS = [
    ("100.50", "100.50"), ("1500", "1500"), ("1500.00", "1500.00"), ("0.5", "0.5"),
    (".5", "0.5"), ("5.", "5"), ("-0.00", "0.00"), ("-0", "0"), ("-10", "-10"), ("+0.5", "0.5"),
    ("1_000.00", "1000.00"), ("1.5E3", "1500.0"), ("007.10", "7.10"), ("0.000", "0.000"),
    ("0." + "0" * 27 + "1", "0." + "0" * 27 + "1"),
    ("79228162514264337593543950335", "79228162514264337593543950335"),
    ("-7922816251426433759354395033.5", "-7922816251426433759354395033.5"),
]


@pytest.mark.parametrize("written, rendered", AMOUNTS)
def test_amount_rendering(written, rendered):
    result = parse([
        document(Сумма=written),
        account_attrs(date_start="1.1.2024", start_amount=written, end_amount=written,
                      total_income=written, total_expense=written),
    ])
    interval = result.accounts[ACCOUNT_NUMBER].intervals[0]
    assert result.documents[0].amount == rendered
    assert [getattr(interval, n) for n in INTERVAL_FIELDS[2:]] == [rendered] * 4


@pytest.mark.parametrize(
    "values, fields, shown",
    [
        ({"date_start": "01.01.2024", "start_amount": "100.00"},
         ("2024-01-01", None, "100.00", None, None, None),
         'Interval(date_start="2024-01-01", date_end=None, start_amount="100.00", end_amount=None)'),
        ({"date_start": "1.1.2024", "date_end": "31.01.2024", "start_amount": "-1",
          "end_amount": "2.0", "total_income": "3", "total_expense": "4"},
         ("2024-01-01", "2024-01-31", "-1", "2.0", "3", "4"),
         'Interval(date_start="2024-01-01", date_end=Some("2024-01-31"), start_amount="-1", '
         'end_amount=Some("2.0"))'),
    ],
)
def test_interval(values, fields, shown):
    interval = parse([account_attrs(**values)]).accounts[ACCOUNT_NUMBER].intervals[0]
    assert tuple(getattr(interval, name) for name in INTERVAL_FIELDS) == fields
    assert repr(interval) == shown


def test_account_intervals_are_fresh_copies():
    acc = parse([
        account(ДатаНачала="01.02.2024"), account(), account(),
        account_attrs("другой", date_start="1.1.2024", start_amount="1"),
    ]).accounts[ACCOUNT_NUMBER]
    assert repr(acc) == f'Account(number="{ACCOUNT_NUMBER}", intervals=[...2])'
    first, second = acc.intervals, acc.intervals
    assert first is not second and first == second
    assert all(a is not b for a, b in zip(first, second))
    assert [i.date_start for i in first] == ["2024-02-01", "2024-03-01"]
    first.clear()
    assert len(acc.intervals) == 2


INTERVAL_VARIANTS = [
    {"ДатаНачала": "02.03.2024"}, {"ДатаКонца": "31.03.2024"}, {"НачальныйОстаток": "1000"},
    {"КонечныйОстаток": "1"}, {"ВсегоПоступило": "1"}, {"ВсегоСписано": "1"},
]


@pytest.mark.parametrize("change", INTERVAL_VARIANTS, ids=lambda c: next(iter(c)))
def test_interval_and_account_equality(change):
    # Two numbers keep the variants apart, which the core would merge or
    # deduplicate (100.00 and 100 are one interval there, not here).
    twin = parse([account(), account(РасчСчет="2")]).accounts
    other = parse([account(), account(РасчСчет="2", **change)]).accounts
    assert twin[ACCOUNT_NUMBER].intervals == twin["2"].intervals
    assert twin[ACCOUNT_NUMBER] != twin["2"]  # numbers differ
    assert twin[ACCOUNT_NUMBER] == other[ACCOUNT_NUMBER]
    a, b = other[ACCOUNT_NUMBER].intervals[0], other["2"].intervals[0]
    assert a != b and not a == b


@pytest.mark.parametrize("name, key, kind", DOCUMENT_FIELDS, ids=lambda v: str(v))
def test_document_equality_covers_every_field(name, key, kind):
    changed = {"date": "06.03.2024", "optdate": "06.03.2024", "amount": "100.5"}.get(kind, "иное")
    same, present = parse([document(), document()]).documents
    assert same == present and not same != present and same is not present
    if name == "doc_type":
        other = parse([document(doc_type="Иной")]).documents[0]
    else:
        other = parse([document(**{key: changed})]).documents[0]
    assert getattr(other, name) != getattr(same, name)
    assert other != same and not other == same


@pytest.mark.parametrize("cls", [Account, Interval, Document], ids=lambda c: c.__name__)
def test_value_classes_are_unhashable_and_unordered(cls):
    instance, other = sample()[cls], sample()[cls]
    assert cls.__hash__ is None
    with pytest.raises(TypeError):
        hash(instance)
    for op in ("__lt__", "__le__", "__gt__", "__ge__"):
        assert getattr(instance, op)(other) is NotImplemented
    with pytest.raises(TypeError):
        instance < other
    assert instance != 1 and not instance == 1 and instance != SectionType.Document
    assert (instance == sample()[Statement]) is False


# Latin, combining marks, Cyrillic and general punctuation: blocks whose
# properties did not change between the Unicode versions involved.
printable = st.one_of(
    st.characters(max_codepoint=0x36F),
    st.characters(min_codepoint=0x400, max_codepoint=0x4FF),
    st.characters(min_codepoint=0x2000, max_codepoint=0x206F),
)


@settings(max_examples=60, deadline=None)
@given(st.text(printable, max_size=12))
def test_reprs_quote_the_texts(text):
    def rewrite(section_type, attrs, header):
        attrs["Номер" if section_type == SectionType.Document else "РасчСчет"] = text

    result = parse([document(doc_type=DOCUMENT_TYPE), account()], hooks=[rewrite])
    doc, acc = result.documents[0], result.accounts[text]
    assert doc.doc_number == text and acc.number == text
    assert repr(doc) == (f"Document(doc_number={quoted(text)}, doc_type={quoted(DOCUMENT_TYPE)}, "
                         'doc_date="2024-03-05", amount="100.50")')
    assert repr(acc) == f"Account(number={quoted(text)}, intervals=[...1])"


@pytest.mark.parametrize(
    "number, shown",
    [('a"b\\c', '"a\\"b\\\\c"'), ("№ 'Ёж'", "\"№ 'Ёж'\""), ("1\u00a02\t", '"1\\u{a0}2\\t"')],
)
def test_repr_escapes(number, shown):
    hook = lambda t, attrs, h: attrs.update({"Номер": number})  # noqa: E731
    assert repr(parse([document()], hooks=[hook]).documents[0]).startswith(
        f"Document(doc_number={shown}, ")


def snapshot(result):
    return (result.header, result.accounts, result.documents, result.warnings)


values = st.text(st.sampled_from("0123456789.,=- _+aZ№АбвгЁёЯя\"'\\"), max_size=8)


@settings(max_examples=60, deadline=None)
@given(st.lists(st.tuples(st.sampled_from(sorted(DOCUMENT) + ["ДатаСписано", "Лишний"]), values),
                max_size=4), values)
def test_str_bytes_and_cp1251_inputs_agree(changes, start_amount):
    sections = [document(**dict(changes)), account(НачальныйОстаток=start_amount or "0")]
    text = make_statement(None, sections)
    try:
        as_str = velmora_py.parse(text)
    except velmora_py.SyntaxError as error:
        for data in (text.encode("utf-8"), text.encode("cp1251")):
            with pytest.raises(velmora_py.SyntaxError) as again:
                velmora_py.parse(data)
            assert repr(again.value.detail) == repr(error.detail)
        return
    as_bytes, as_cp1251 = velmora_py.parse(text.encode("utf-8")), velmora_py.parse(text.encode("cp1251"))
    assert snapshot(as_str) == snapshot(as_bytes) == snapshot(as_cp1251)
    assert (as_bytes.encoding, as_cp1251.encoding) == ("utf-8", "cp1251")


def test_import_warns_about_nothing():
    run = subprocess.run([sys.executable, "-W", "error", "-c", "import velmora_py"],
                         capture_output=True, text=True)
    assert (run.returncode, run.stderr) == (0, "")


def test_objects_are_released():
    counts = lambda: [sys.getrefcount(cls) for cls in RESULT_CLASSES]  # noqa: E731
    gc.collect()  # instances in earlier tests' cycles hold their types
    before = counts()
    result = parse([document(), account(), account(ДатаНачала="2.2.2024")])
    documents = result.documents
    held = sys.getrefcount(documents)
    for _ in range(20):
        result.accounts[ACCOUNT_NUMBER].intervals, repr(result), result.header
    del result
    assert sys.getrefcount(documents) == held - 1
    del documents
    assert counts() == before



def test_memory_exhaustion_is_an_internal_failure():
    data = make_statement(None, [document(), account(), document(Номер=None)]).encode()
    seen = memory_failure_outcomes(data)
    # The interpreter's own call machinery may fail first with MemoryError.
    assert {"ok", ("InternalError", False)} <= seen
    assert seen <= {"ok", ("InternalError", False), ("MemoryError", True)}
