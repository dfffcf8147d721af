"""velmora.write against velmora_py.parse and velmora.read, on statements of
every shape drawn from the format's grammar: what is written reads back as it
was, in every encoding and with both line ends; what cannot be is refused."""

import pytest
from hypothesis import assume, given, strategies as st

import velmora
import velmora_py
from statement_grammar import property_settings, statements

ENCODINGS = ("cp1251", "utf-8", "cp866")
NEWLINES = ("\r\n", "\n")
CODECS = {"cp1251": "cp1251", "utf-8": "utf-8", "cp866": "cp866"}


def texts(statement):
    """Every text of the statement that the writer puts into the file (the
    "Кодировка" value is replaced)."""
    yield from statement.header
    yield from (v for k, v in statement.header.items() if k != "Кодировка")
    for account in statement.accounts.values():
        yield account.number
    for document in statement.documents:
        for name in velmora.DOCUMENT_ATTRIBUTES:
            if (value := getattr(document, name)) is not None:
                yield value


def representable(text, encoding):
    # The web's windows-1251 has U+0098 at 0x98, which Python's codec lacks.
    try:
        text.replace("\x98", "").encode(CODECS[encoding])
    except UnicodeEncodeError:
        return False
    return True


def read_back(data, encoding):
    return velmora.read(data) if encoding == "cp866" else velmora_py.parse(data)


def without_encoding_key(header):
    return {k: v for k, v in header.items() if k != "Кодировка"}


@property_settings(300)
@given(statements(faults=True), st.sampled_from(ENCODINGS), st.sampled_from(NEWLINES))
def test_round_trip(generated, encoding, newline):
    s = velmora_py.parse(generated.data)
    fits = all(representable(t, encoding) for t in texts(s))
    has_sections = bool(s.accounts or s.documents)
    # A DOS file is recognised by its "Кодировка" line, which is never added.
    recognisable = encoding != "cp866" or "Кодировка" in s.header
    if not (fits and has_sections and recognisable):
        with pytest.raises(velmora.WriteError) as caught:
            velmora.write(s, encoding=encoding, newline=newline)
        assert caught.value.problems
        return
    data = velmora.write(s, encoding=encoding, newline=newline)
    lines = data.split(b"\n")
    assert all(line.endswith(b"\r") == (newline == "\r\n") for line in lines[:-1]) and lines[-1] == b""
    t = read_back(data, encoding)
    assert without_encoding_key(t.header) == without_encoding_key(s.header)
    assert list(t.header) == list(s.header)
    if "Кодировка" in s.header:
        assert t.header["Кодировка"] == {"cp1251": "Windows", "utf-8": "UTF-8", "cp866": "DOS"}[encoding]
    assert t.accounts == s.accounts
    assert t.documents == s.documents
    assert t.warnings == []
    assert velmora.write(t, encoding=encoding, newline=newline) == data


@property_settings(150)
@given(statements(encodings=("utf-8",)), st.sampled_from(ENCODINGS),
       st.sampled_from(["header", "value"]), st.sampled_from(["\n", "\r", " ", "\u3000", "\xa0"]))
def test_refusals_name_their_place_and_key(generated, encoding, where, bad):
    s = velmora_py.parse(generated.data)
    assume(s.documents or s.accounts)
    if where == "header":
        s.header["Ключ"] = "значение" + bad
        expected = ("header", "Ключ")
    else:
        s.header["Отправитель" + bad] = "x"
        expected = ("header", "Отправитель" + bad)
    with pytest.raises(velmora.WriteError) as caught:
        velmora.write(s, encoding=encoding)
    assert expected in [(w, k) for w, k, _ in caught.value.problems]
