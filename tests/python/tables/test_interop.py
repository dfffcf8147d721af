"""The tables read by pyarrow, pandas, polars and DuckDB through the Arrow
PyCapsule interface, with their types."""

import datetime
import decimal

import pytest

import velmora
from statements import DOCUMENT, make_statement


def data():
    attrs = dict(DOCUMENT, Сумма="1500.5", ДатаСписано="06.03.2024", КвитанцияДата="07.03.2024")
    header = {"ВерсияФормата": "1.03", "РасчСчет": "1"}
    return make_statement(header=header, sections=[("document", "Платежное поручение", attrs)]).encode()


@pytest.fixture(scope="module")
def tables():
    return velmora.read_tables([data(), data()])


def test_pyarrow(tables):
    pa = pytest.importorskip("pyarrow")
    t = tables.documents.to_pyarrow()
    assert t.schema.field("document").type == pa.int32()
    assert t.schema.field("doc_date").type == pa.date32()
    assert t.schema.field("amount").type == pa.decimal128(38, 1)
    assert t.schema.field("extra").type == pa.map_(pa.string(), pa.string())
    assert t.schema.field("payment_type").nullable and not t.schema.field("doc_number").nullable
    assert t.column("extra").to_pylist() == [[("КвитанцияДата", "07.03.2024")]] * 2
    assert pa.table(tables.header).column("line").type == pa.int64()
    # A second read gets the same data again.
    assert tables.documents.to_pyarrow().equals(t)


def test_pandas(tables):
    pytest.importorskip("pandas")
    frame = tables.documents.to_pandas()
    assert list(frame["amount"]) == [decimal.Decimal("1500.5")] * 2
    assert frame["outcome_date"][0] == datetime.date(2024, 3, 6)
    assert frame["payment_type"].isna().all()


def test_polars(tables):
    pl = pytest.importorskip("polars")
    frame = pl.DataFrame(tables.documents)
    assert frame.height == 2 and frame["doc_date"].dtype == pl.Date
    assert tables.header.to_polars()["key"].to_list() == ["ВерсияФормата", "РасчСчет"] * 2


def test_duckdb(tables):
    duckdb = pytest.importorskip("duckdb")
    documents = tables.documents  # noqa: F841 - read by name in the query
    assert duckdb.sql("select count(*), sum(amount) from documents").fetchall() == [
        (2, decimal.Decimal("3001.0"))]
    assert duckdb.sql("select source from documents order by document, source").fetchall() == [
        ("<bytes 0>",), ("<bytes 1>",)]
