"""Amounts and dates in every shape the value rules accept come out as their
canonical text with the value and scale the rules give; that text, written
back into a statement, reads as itself; and the shapes the rules refuse
become the rules' messages."""

import re

from hypothesis import given, strategies as st

import velmora_py
from statements import account_attrs, closing_lines, document, make_statement
from statement_grammar import (
    CANONICAL_AMOUNT, CANONICAL_DATE, MAX_MANTISSA, days_in_month, plain_amounts,
    property_settings, refused_amount, render_date, render_decimal,
)

MIN_YEAR, MAX_YEAR = -262143, 262142
DIGITS = "0123456789"


# --- amounts ----------------------------------------------------------------------

@st.composite
def big_plain_amounts(draw):
    """Plain amounts at the edges of the 96-bit mantissa: integral parts that
    fit or not, and fractions longer than the 28 digits a scale can hold."""
    sign = draw(st.sampled_from(["", "+", "-"]))
    if draw(st.booleans()):
        whole = draw(st.integers(MAX_MANTISSA - 5, MAX_MANTISSA + 5)
                     | st.integers(MAX_MANTISSA // 10, MAX_MANTISSA * 10))
        written = sign + str(whole)
        if whole > MAX_MANTISSA:
            return written, None
        return written, render_decimal(sign == "-", whole, 0)
    # Up to 6 in front, 28 fractional digits always fit; the first dropped
    # digit rounds the last kept one half up.
    whole = draw(st.sampled_from("0123456"))
    frac = draw(st.text(DIGITS, min_size=29, max_size=40))
    mantissa = int(whole + frac[:28]) + (frac[28] >= "5")
    return f"{sign}{whole}.{frac}", render_decimal(sign == "-", mantissa, 28)


@st.composite
def scientific_amounts(draw):
    """A plain number, an e or E, and an exponent with an optional sign."""
    sign = draw(st.sampled_from(["", "+", "-"]))
    whole = draw(st.text(DIGITS, max_size=8))
    frac = draw(st.text(DIGITS, max_size=6))
    if not whole + frac:
        whole = "1"
    point = "." if frac or draw(st.booleans()) else ""
    exp_sign = draw(st.sampled_from(["", "+", "-"]))
    n = draw(st.integers(0, 32) | st.sampled_from([2**32 - 1, 2**32]))
    exponent = str(n).rjust(draw(st.integers(1, 3)), "0")
    written = f"{sign}{whole}{point}{frac}{draw(st.sampled_from('eE'))}{exp_sign}{exponent}"

    m, s, negative = int(whole + frac or "0"), len(frac), sign == "-"
    if n > 2**32 - 1:
        return written, None
    if exp_sign == "-":
        return written, (render_decimal(negative, m, s + n) if s + n <= 28 else None)
    if n <= s:
        return written, render_decimal(negative, m, s - n)
    if n > 28:
        return written, None
    # m × 10^n at scale s; when that is too wide, as many fractional digits
    # go as needed (all zeros here, since n > s), and even none may not do.
    product = m * 10**n
    for dropped in range(s + 1):
        if product // 10**dropped <= MAX_MANTISSA:
            return written, render_decimal(negative, product // 10**dropped, s - dropped)
    return written, None


# Shapes that neither form reads.
REFUSED_AMOUNTS = st.sampled_from([
    "", "12,50", "1 000.00", "abc", "-", "+", ".", "-.", "_1", "-_1", "1..2", "+-1", "1-", "--1",
    "0x10", "１", "1e", "e5", "1e+", "1.5E3.0", "1e1e1", "1e_1", "1E 2", "₁", "1.2.3",
])


amounts = st.one_of(
    plain_amounts(max_int_digits=20, max_frac_digits=8),
    big_plain_amounts(),
    scientific_amounts(),
    REFUSED_AMOUNTS.map(lambda written: (written, None)),
)


def documents_for(amounts_written, key="Сумма"):
    """One document per value, numbered by its position."""
    return [document(Номер=str(i), **{key: written}) for i, written in enumerate(amounts_written)]


def parsed_amounts(written):
    """{position: rendered amount} and {position: warning message}."""
    text = make_statement(None, documents_for(written))
    result = velmora_py.parse(text)
    closing = closing_lines(text)
    warnings = {closing.index(lineno): message for lineno, message in result.warnings}
    return {int(doc.doc_number): doc.amount for doc in result.documents}, warnings


def check_canonical_amount(shown):
    assert CANONICAL_AMOUNT.fullmatch(shown), shown
    assert not re.fullmatch(r"-0(\.0+)?", shown), shown


@property_settings(max_examples=150)
@given(st.lists(amounts, min_size=1, max_size=8))
def test_amounts_render_canonically_and_read_back_as_themselves(cases):
    written = [w for w, _ in cases]
    shown, warnings = parsed_amounts(written)
    assert sorted([*shown, *warnings]) == list(range(len(cases)))
    for i, (text, expected) in enumerate(cases):
        if expected is None:
            assert warnings.get(i) == refused_amount(text), text
            continue
        assert i in shown, (text, warnings.get(i))
        check_canonical_amount(shown[i])
        assert shown[i] == expected, text

    # The rendered texts are amounts themselves, and read as they are, in
    # documents and in every amount of an account section.
    rendered = [shown[i] for i in sorted(shown)]
    if not rendered:
        return      # a statement needs a section
    again, warnings = parsed_amounts(rendered)
    assert warnings == {} and [again[i] for i in sorted(again)] == rendered
    sections = [account_attrs(number=f"4070{i}", date_start="01.01.2024", start_amount=text,
                              end_amount=text, total_income=text, total_expense=text)
                for i, text in enumerate(rendered)]
    accounts = velmora_py.parse(make_statement(None, sections)).accounts
    for i, text in enumerate(rendered):
        (interval,) = accounts[f"4070{i}"].intervals
        assert (interval.start_amount, interval.end_amount, interval.total_income,
                interval.total_expense) == (text,) * 4


# --- dates ------------------------------------------------------------------------

@st.composite
def written_dates(draw):
    """(written, rendered or None) for day.month.year with any year the rules
    read: one to four digits, or signed of any length; with days and months
    that exist or not, and blanks before the numbers."""
    year = draw(st.integers(0, 9999) | st.integers(MIN_YEAR - 2, MAX_YEAR + 2)
                | st.sampled_from([0, -1, 10000, MIN_YEAR, MAX_YEAR, MIN_YEAR - 1, MAX_YEAR + 1]))
    month = draw(st.integers(1, 12) | st.integers(0, 99))
    day = draw(st.integers(1, 28) | st.integers(0, 99) | st.just(29) | st.just(31))
    if draw(st.integers(0, 3)) == 0:
        # The leap-year rule at its edges: every 4th year, but not every 100th
        # unless every 400th, counting through year 0 into negative years.
        year = draw(st.sampled_from([2000, 1900, 2100, 2024, 2023, 0, -4, -100, -400, 1600]))
        month, day = 2, 29
    if 0 <= year <= 9999 and draw(st.booleans()):
        shown_year = str(year).rjust(draw(st.integers(1, 4)), "0")
    else:
        digits = str(abs(year)).rjust(draw(st.integers(1, 8)), "0")
        sign = "-" if year < 0 else draw(st.sampled_from("+-") if year == 0 else st.just("+"))
        shown_year = sign + digits
    pad = lambda n: str(n).rjust(draw(st.integers(1, 2)), "0")  # noqa: E731
    gaps = draw(st.lists(st.sampled_from(["", "", " ", "\t ", "\u00a0"]), min_size=2, max_size=2))
    valid = MIN_YEAR <= year <= MAX_YEAR and 1 <= month <= 12 and 1 <= day <= days_in_month(year, month)
    if draw(st.integers(0, 15)) == 0:
        shown_year, valid = draw(st.sampled_from("+-")) + "1" * 25, False    # past 64 bits
    written = f"{pad(day)}.{gaps[0]}{pad(month)}.{gaps[1]}{shown_year}"
    return written, (render_date(year, month, day) if valid else None)


DATE_KEYS = ["Дата", "ДатаСписано", "ДатаПоступило"]


def parsed_dates(written, key):
    result = velmora_py.parse(make_statement(None, documents_for(written, key)))
    name = {"Дата": "doc_date", "ДатаСписано": "outcome_date", "ДатаПоступило": "income_date"}[key]
    return {int(doc.doc_number): getattr(doc, name) for doc in result.documents}, result.warnings


def file_form(rendered):
    """The rendered date written the way a statement writes dates."""
    year, month, day = re.fullmatch(r"([+-]?[0-9]+)-([0-9]{2})-([0-9]{2})", rendered).groups()
    return f"{day}.{month}.{year}"


@property_settings(max_examples=150)
@given(st.lists(written_dates(), min_size=1, max_size=8), st.sampled_from(DATE_KEYS))
def test_dates_render_canonically_and_read_back_as_themselves(cases, key):
    shown, warnings = parsed_dates([w for w, _ in cases], key)
    assert [message for _, message in warnings] == [
        "input is out of range" for _, expected in cases if expected is None]
    assert shown == {i: expected for i, (_, expected) in enumerate(cases) if expected is not None}
    for text in shown.values():
        assert CANONICAL_DATE.fullmatch(text), text

    rendered = [shown[i] for i in sorted(shown)]
    if not rendered:
        return      # a statement needs a section
    again, warnings = parsed_dates([file_form(text) for text in rendered], key)
    assert warnings == [] and [again[i] for i in sorted(again)] == rendered
    sections = [account_attrs(number=f"4070{i}", date_start=file_form(text), date_end=file_form(text),
                              start_amount="0") for i, text in enumerate(rendered)]
    accounts = velmora_py.parse(make_statement(None, sections)).accounts
    for i, text in enumerate(rendered):
        (interval,) = accounts[f"4070{i}"].intervals
        assert (interval.date_start, interval.date_end) == (text, text)
