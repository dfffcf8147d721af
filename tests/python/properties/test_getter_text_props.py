"""A getter makes exactly the str that decoding the stored UTF-8 text makes:
equal, of the same storage kind (ASCII, latin-1, UCS-2, UCS-4: a str of a
wider kind than its text needs compares and hashes wrongly), with the same
hash, and the interpreter's shared empty str for an empty text. The getters
build the str from a shape measured when the record was stored and decode
two- and three-byte runs in vector steps, so texts of every kind, mixed
kinds and lengths around the steps' edges are what is varied here."""

import sys

import pytest
from hypothesis import given
from hypothesis import strategies as st

import velmora_py
from statement_grammar import property_settings
from statements import DOCUMENT, document, make_statement

# Text fields that hooks can fill with any text, by file key and attribute.
FIELDS = [("НазначениеПлатежа", "purpose"), ("Получатель1", "payee_1"),
          ("Плательщик", "counterparty"), ("Номер", "doc_number")]

# Characters of every UTF-8 length and str kind, weighted towards the
# Cyrillic two-byte runs and the three-byte № that real purposes carry.
CHARS = st.one_of(
    st.characters(min_codepoint=0x410, max_codepoint=0x44F),
    st.sampled_from(" .,0123456789№«»\u0098\u00a0ё€\u2116"),
    st.characters(codec="utf-8", exclude_categories=["Cs"]),
)


def read_back(texts):
    """The four fields set to `texts` by a hook, read through the getters."""
    def hook(section_type, attrs, header):
        for (key, _), text in zip(FIELDS, texts):
            attrs[key] = text

    statement = velmora_py.parse(make_statement(sections=[document()]).encode(), hooks=[hook])
    (doc,) = statement.documents
    return [getattr(doc, name) for _, name in FIELDS]


def assert_same_str(got, text):
    expected = text.encode("utf-8").decode("utf-8")
    assert type(got) is str
    assert got == expected
    # Equal length and equal size means equal storage kind.
    assert sys.getsizeof(got) == sys.getsizeof(expected), (text, got)
    assert hash(got) == hash(expected)
    assert max(map(ord, got), default=0) == max(map(ord, expected), default=0)
    if not expected:
        assert got is expected


@property_settings(max_examples=300)
@given(st.lists(st.text(CHARS, max_size=120), min_size=len(FIELDS), max_size=len(FIELDS)))
def test_getters_make_the_decoded_str(texts):
    for got, text in zip(read_back(texts), texts):
        assert_same_str(got, text)


@property_settings(max_examples=150)
@given(st.integers(0, 70), st.integers(0, 3), st.sampled_from(["ю", "a", "№", "é", "😀"]),
       st.sampled_from(["", "a", "ю", "№", "«", "😀"]))
def test_runs_of_every_length_around_the_steps(n, shift, run, last):
    # A long run of one character, shifted by a few ASCII bytes and ended by
    # another kind, puts every kind of sequence across a step's edge.
    text = "x" * shift + run * n + last
    texts = [text, text[::-1], last + text, text + " "]
    for got, t in zip(read_back(texts), texts):
        assert_same_str(got, t)


@pytest.mark.parametrize("text", [
    "", "a", "ю", "№", "«»", "«A»", "\u0098", "é", "\xff", "\u0100", "\uffff", "😀", "a😀",
    "ю" * 200, "№" * 17 + "ю", "Оплата по счёту №12 от 05.03.2024 «Кедр»", "ab\x00cd",
])
def test_getters_make_the_decoded_str_for_each_kind(text):
    for got in read_back([text] * len(FIELDS)):
        assert_same_str(got, text)


def test_a_new_str_on_every_read():
    statement = velmora_py.parse(
        make_statement(sections=[document(НазначениеПлатежа="Оплата по счёту №12")]).encode())
    (doc,) = statement.documents
    assert doc.purpose == DOCUMENT["НазначениеПлатежа"].replace("№5", "№12")
    assert doc.purpose is not doc.purpose
