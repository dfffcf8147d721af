"""read_tables: sources of every kind, directories, order, failures as rows."""

import io
import sys

import pytest

import velmora
from statements import DOCUMENT, make_statement

pa = pytest.importorskip("pyarrow")


def statement(number="1"):
    attrs = dict(DOCUMENT, Номер=number)
    return make_statement(sections=[("document", "Платежное поручение", attrs)]).encode()


def rows(table, *columns):
    t = pa.table(table)
    return list(zip(*(t.column(c).to_pylist() for c in columns)))


@pytest.fixture
def tree(tmp_path):
    """A directory tree of statements, broken statements and other files."""
    (tmp_path / "b" / "deeper").mkdir(parents=True)
    (tmp_path / "a.txt").write_bytes(statement("1"))
    (tmp_path / "b" / "deeper" / "c.txt").write_bytes(b"\xef\xbb\xbf" + statement("3"))
    (tmp_path / "b" / "broken.txt").write_bytes("1CClientBankExchange\nСекцияРасчСчет\nКонецФайла\n".encode())
    (tmp_path / "b" / "unfinished.txt").write_bytes(statement("2").replace("КонецФайла".encode(), b""))
    (tmp_path / "b" / "notes.md").write_text("# not a statement")
    (tmp_path / "empty").write_bytes(b"")
    return tmp_path


def test_a_directory_is_its_statements_in_sorted_path_order(tree):
    tables = velmora.read_tables(tree, threads=2)
    sources = [str(tree / p) for p in ("a.txt", "b/broken.txt", "b/deeper/c.txt", "b/unfinished.txt")]
    assert rows(tables.documents, "source", "doc_number") == [(sources[0], "1"), (sources[2], "3")]
    assert rows(tables.errors, "source", "error", "line") == [
        (sources[1], "SyntaxError", 3), (sources[3], "UnfinishedError", None)]
    message = pa.table(tables.errors).column("message")[0].as_py()
    assert message == "Unexpected section 'КонецФайла' in context 'account'"


def test_sources_of_every_kind_keep_their_order_and_labels(tree):
    path = tree / "a.txt"
    with open(path, "rb") as f:
        tables = velmora.read_tables([statement("x"), str(path), io.BytesIO(statement("y")), f,
                                      bytearray(statement("z")), tree / "missing.txt"], threads=3)
    assert rows(tables.documents, "source", "doc_number") == [
        ("<bytes 0>", "x"), (str(path), "1"), ("<bytes 1>", "y"), (str(path), "1"), ("<bytes 2>", "z")]
    assert rows(tables.errors, "source", "error") == [(str(tree / "missing.txt"), "FileNotFoundError")]


@pytest.mark.parametrize("data, error", [
    (b"", "EmptyInputError"), (b"hello", "NotStatementError"),
    ("text file", "TypeError"),
])
def test_failures_are_rows_named_as_velmora_py_names_them(data, error):
    source = io.StringIO(data) if isinstance(data, str) else data
    tables = velmora.read_tables([source, statement()])
    assert rows(tables.errors, "error") == [(error,)]
    assert tables.documents.num_rows == 1


def test_one_statement_and_threads_give_the_same_tables(tree):
    one = velmora.read_tables(tree, threads=1)
    many = velmora.read_tables(tree, threads=4)
    for a, b in zip(one, many):
        assert pa.table(a).equals(pa.table(b))


def test_dos_statements_read_as_velmora_read_reads_them():
    text = make_statement(
        header={"Кодировка": "DOS"},
        sections=[("document", "Платежное поручение", dict(DOCUMENT, Номер="7"))],
    )
    data = text.encode("cp866")
    tables = velmora.read_tables([data])
    assert rows(tables.errors, "error") == []
    expected = velmora.read(data).documents
    assert [(d.doc_number, d.purpose) for d in expected] == rows(tables.documents, "doc_number", "purpose")
    assert ("Кодировка", "DOS") in rows(tables.header, "key", "value")


@pytest.mark.parametrize("threads", [0, -1, 1.5, True, "2"])
def test_bad_thread_counts_are_refused(threads):
    with pytest.raises(ValueError):
        velmora.read_tables(statement(), threads=threads)


def test_bad_sources_are_refused():
    with pytest.raises(TypeError):
        velmora.read_tables(42)
    with pytest.raises(TypeError):
        velmora.read_tables([[statement()]])


def test_empty_input_gives_empty_tables_with_their_columns():
    tables = velmora.read_tables([])
    assert [t.num_rows for t in tables] == [0] * 5
    assert pa.table(tables.documents).column_names[:3] == ["source", "document", "doc_number"]
    assert tables.errors.column_names == ("source", "error", "message", "line")


def test_missing_libraries_name_the_extra(monkeypatch):
    tables = velmora.read_tables(statement())
    monkeypatch.setitem(sys.modules, "polars", None)
    with pytest.raises(ImportError, match=r"velmora\[polars\]"):
        tables.documents.to_polars()
    monkeypatch.setitem(sys.modules, "tqdm", None)
    with pytest.raises(ImportError, match=r"velmora\[progress\]"):
        velmora.read_tables(statement(), progress=True)


def test_progress_bar_goes_to_stderr(capsys):
    pytest.importorskip("tqdm")
    velmora.read_tables([statement(), statement()], progress=True, threads=2)
    assert "2/2" in capsys.readouterr().err
