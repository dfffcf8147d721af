"""velmora.write and velmora.read: arguments, refusals, DOS input."""

import io
import pathlib

import pytest

import velmora
import velmora_py
from statements import ACCOUNT, DOCUMENT, DOCUMENT_TYPE

ROOT = pathlib.Path(__file__).resolve().parents[3]


def statement_text(header="ВерсияФормата=1.03\nКодировка=Windows\n", extra=""):
    lines = ["1CClientBankExchange", header.rstrip("\n"), "СекцияРасчСчет"]
    lines += [f"{k}={v}" for k, v in ACCOUNT.items()]
    lines += ["КонецРасчСчет", f"СекцияДокумент={DOCUMENT_TYPE}"]
    lines += [f"{k}={v}" for k, v in DOCUMENT.items()] + [extra, "КонецДокумента", "КонецФайла", ""]
    return "\n".join(line for line in lines if line)


@pytest.fixture
def statement():
    return velmora_py.parse(statement_text())


@pytest.mark.parametrize("encoding", ["cp-1251", "UTF-8", "utf8", "koi8-r", ""])
def test_unknown_encoding(statement, encoding):
    with pytest.raises(ValueError, match="encoding") as caught:
        velmora.write(statement, encoding=encoding)
    assert not isinstance(caught.value, velmora.WriteError)


@pytest.mark.parametrize("newline", ["\r", "\n\r", "", " "])
def test_unknown_newline(statement, newline):
    with pytest.raises(ValueError, match="newline"):
        velmora.write(statement, newline=newline)


def test_default_is_windows_with_crlf(statement):
    data = velmora.write(statement)
    assert data.startswith(b"1CClientBankExchange\r\n")
    assert "Кодировка=Windows\r\n".encode("cp1251") in data
    assert data.endswith("КонецФайла\r\n".encode("cp1251"))


def test_write_error_lists_every_problem(statement):
    statement.header["А=Б"] = " x"
    statement.header["Отправитель"] = "漢"
    with pytest.raises(velmora.WriteError) as caught:
        velmora.write(statement, encoding="cp866")
    error = caught.value
    assert isinstance(error, ValueError)
    assert error.problems == [
        ("header", "А=Б", 'key holds "="'),
        ("header", "А=Б", "value begins or ends with white space, which readers trim away"),
        ("header", "Отправитель", 'character U+6F22 "漢" at position 0 cannot be written in cp866'),
    ]
    for where, key, message in error.problems:
        assert f"{where}: {key}: {message}" in str(error)


def test_document_problem_names_its_index():
    text = statement_text(extra="Получатель=ООО «Ромашка»")
    s = velmora_py.parse(text)
    with pytest.raises(velmora.WriteError) as caught:
        velmora.write(s, encoding="cp866")
    assert [(w, k) for w, k, _ in caught.value.problems] == [("document 0", "Получатель")]
    assert velmora_py.parse(velmora.write(s, encoding="cp1251")).documents == s.documents


def test_statement_without_sections_is_refused():
    s = velmora_py.parse("1CClientBankExchange\nA=1\nСекцияДокумент=x\nКонецДокумента\nКонецФайла\n")
    assert s.documents == [] and s.warnings
    with pytest.raises(velmora.WriteError) as caught:
        velmora.write(s)
    assert caught.value.problems[0][0] == "statement"


def test_dates_beyond_year_9999_write_back():
    text = statement_text().replace("Дата=05.03.2024", "Дата=29.02.+10000")
    s = velmora_py.parse(text)
    assert s.documents[0].doc_date == "+10000-02-29"
    t = velmora_py.parse(velmora.write(s, encoding="utf-8"))
    assert t.documents == s.documents


def test_statement_of_the_wrong_shape_is_a_type_error(statement):
    class Fake:
        header = {"A": 1}
        accounts = {}
        documents = []
    with pytest.raises(TypeError, match="header"):
        velmora.write(Fake())  # type: ignore[arg-type]
    statement.documents.append("not a document")
    with pytest.raises(AttributeError):
        velmora.write(statement)


# --- velmora.read ----------------------------------------------------------------

def dos_bytes(text):
    return text.replace("Кодировка=Windows", "Кодировка=DOS").encode("cp866")


@pytest.mark.parametrize("kind", ["bytes", "path", "str path", "file", "bytearray"])
def test_read_takes_every_source(tmp_path, kind):
    data = dos_bytes(statement_text())
    path = tmp_path / "s.txt"
    path.write_bytes(data)
    source = {"bytes": data, "path": path, "str path": str(path), "file": io.BytesIO(data),
              "bytearray": bytearray(data)}[kind]
    s = velmora.read(source)
    assert s.encoding == "utf-8"
    assert s.header["Кодировка"] == "DOS"
    assert s.documents[0].purpose == DOCUMENT["НазначениеПлатежа"]


def test_read_leaves_other_input_to_parse():
    cp1251 = (ROOT / "examples/statement_cp1251.txt").read_bytes()
    assert velmora.read(cp1251).encoding == "cp1251"
    # IBM866 bytes without the DOS header line are the parser's to judge.
    assert_parsed_as_is(statement_text().encode("cp866"))
    with pytest.raises(velmora_py.EmptyInputError):
        velmora.read(b"")
    with pytest.raises(velmora_py.NotStatementError):
        velmora.read(dos_bytes("Привет\nКодировка=DOS\n"))


def assert_parsed_as_is(data):
    try:
        expected = velmora_py.parse(data)
    except velmora_py.ParseError as error:
        with pytest.raises(type(error), match=str(error)):
            velmora.read(data)
        return
    got = velmora.read(data)
    assert (got.encoding, got.header, got.documents) == (expected.encoding, expected.header, expected.documents)


@pytest.mark.parametrize("text", [
    statement_text().replace("Кодировка=Windows\n", "") + "Кодировка=DOS\n",
    statement_text().replace("Кодировка=Windows\n", "").replace("КонецРасчСчет\n", "КонецРасчСчет\nКодировка=DOS\n"),
    statement_text().replace("Кодировка=Windows", "Кодировка=DOS2"),
    statement_text().replace("Кодировка=Windows", "Кодировка=dos"),
])
def test_dos_line_must_be_in_the_header(text):
    assert_parsed_as_is(text.encode("cp866"))


def test_dos_line_may_be_padded():
    text = statement_text().replace("Кодировка=Windows", " Кодировка \t=  DOS ")
    assert velmora.read(text.encode("cp866")).documents == velmora_py.parse(text).documents


def test_read_refuses_text_files(tmp_path):
    path = tmp_path / "s.txt"
    path.write_text(statement_text(), encoding="utf-8")
    with open(path, encoding="utf-8") as f, pytest.raises(TypeError, match="binary"):
        velmora.read(f)  # type: ignore[arg-type]
    with pytest.raises(TypeError):
        velmora.read(42)  # type: ignore[arg-type]
