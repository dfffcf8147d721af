"""velmora parquet, and velmora csv over several files and directories."""

import csv
import io

import pytest

from statements import DOCUMENT, make_statement
from velmora.cli import main


def statement(number):
    attrs = dict(DOCUMENT, Номер=number)
    return make_statement(sections=[("document", "Платежное поручение", attrs)]).encode()


@pytest.fixture
def folder(tmp_path):
    (tmp_path / "in" / "sub").mkdir(parents=True)
    (tmp_path / "in" / "a.txt").write_bytes(statement("1"))
    (tmp_path / "in" / "sub" / "b.txt").write_bytes(statement("2"))
    (tmp_path / "in" / "sub" / "bad.txt").write_bytes(b"1CClientBankExchange\nlonely line\n")
    return tmp_path


def test_parquet_writes_all_tables_and_lists_the_failures(folder, capsys):
    pq = pytest.importorskip("pyarrow.parquet")
    out = folder / "out"
    assert main(["parquet", str(folder / "in"), "-o", str(out), "--threads", "2"]) == 1
    names = sorted(p.name for p in out.iterdir())
    assert names == sorted(f"{t}.parquet" for t in ("documents", "intervals", "header", "warnings", "errors"))
    assert pq.read_table(out / "documents.parquet").column("doc_number").to_pylist() == ["1", "2"]
    assert capsys.readouterr().err == (
        f"{folder / 'in' / 'sub' / 'bad.txt'}:2: Unrecognized line: 'lonely line'\n")


def test_csv_of_several_files_puts_the_source_first(folder, capsys, monkeypatch):
    a, b = str(folder / "in" / "a.txt"), str(folder / "in" / "sub" / "b.txt")
    assert main(["csv", a, str(folder / "in" / "sub")]) == 1
    captured = capsys.readouterr()
    rows = list(csv.reader(io.StringIO(captured.out)))
    assert rows[0][:3] == ["source", "doc_number", "doc_type"]
    assert [(r[0], r[1]) for r in rows[1:]] == [(a, "1"), (b, "2")]
    assert "bad.txt:2:" in captured.err


def test_csv_of_one_file_has_no_source_column(folder, capsys):
    assert main(["csv", str(folder / "in" / "a.txt")]) == 0
    assert capsys.readouterr().out.splitlines()[0].startswith("doc_number,")
