"""Statements written from the format's grammar, in every encoding and with
every freedom the text rules leave (padding, blank lines, line ends, repeated
keys, attribute order), parse to what was written: header, accounts merged by
number, documents, and warnings for the documents that cannot be built."""

from hypothesis import given

import velmora_py
from statements import DOCUMENT_FIELDS
from statement_grammar import property_settings, statements, trim

INTERVAL_NAMES = ["date_start", "date_end", "start_amount", "end_amount", "total_income",
                  "total_expense"]
DOCUMENT_NAMES = [name for name, _, _ in DOCUMENT_FIELDS]


def check_parsed(generated):
    result = velmora_py.parse(generated.data)
    assert result.encoding == generated.reported_encoding
    assert list(result.header.items()) == generated.header
    assert list(result.accounts) == list(generated.accounts)
    for number, account in result.accounts.items():
        assert account.number == number
        shown = [tuple(getattr(i, name) for name in INTERVAL_NAMES) for i in account.intervals]
        assert shown == generated.accounts[number], number
    shown = [{name: getattr(doc, name) for name in DOCUMENT_NAMES} for doc in result.documents]
    assert shown == generated.documents
    assert result.warnings == generated.warnings
    return result


@property_settings(max_examples=100)
@given(statements())
def test_complete_sections_parse_to_what_was_written(generated):
    result = check_parsed(generated)
    assert result.warnings == []


@property_settings(max_examples=100)
@given(statements(faults=True))
def test_faulty_documents_become_warnings_at_their_closing_line(generated):
    result = check_parsed(generated)
    # The warning's line is the section's closing line, blank lines counted.
    for lineno, _ in result.warnings:
        assert trim(generated.lines[lineno - 1]) == "КонецДокумента"
