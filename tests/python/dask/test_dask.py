"""velmora.dask.read_statements on a real two-process LocalCluster, against
read_tables on the same files."""

import pathlib
import sys

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))

from statements import DOCUMENT, make_statement  # noqa: E402

import velmora  # noqa: E402

dd = pytest.importorskip("dask.dataframe")
distributed = pytest.importorskip("distributed")
pa = pytest.importorskip("pyarrow")

import velmora.dask  # noqa: E402


def statement(i):
    sections = []
    for j in range(i % 3 + 1):
        attrs = dict(DOCUMENT, Номер=f"{i}-{j}", Сумма=f"{i * 100 + j}.{j:0{j + 1}d}")
        sections.append(("document", "Платежное поручение", attrs))
    return make_statement(sections=sections).encode()


@pytest.fixture(scope="module")
def folder(tmp_path_factory):
    root = tmp_path_factory.mktemp("statements")
    (root / "nested").mkdir()
    for i in range(20):
        where = root / "nested" if i % 2 else root
        (where / f"s{i:02d}.txt").write_bytes(statement(i))
    (root / "nested" / "broken.txt").write_bytes(b"1CClientBankExchange\nbroken\n")
    (root / "readme.md").write_text("not a statement")
    return root


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, processes=True, threads_per_worker=1,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as c:
        yield c


def test_documents_on_a_cluster_equal_read_tables(folder, client):
    frame = velmora.dask.read_statements(str(folder), files_per_partition=4)
    assert frame.npartitions == 6
    local = pa.table(velmora.read_tables(folder).documents)
    result = frame.compute()
    assert len(result) == local.num_rows
    assert result["amount"].sum() == pa.compute.sum(local.column("amount")).as_py()
    assert set(zip(result["source"], result["document"])) == set(
        zip(local.column("source").to_pylist(), local.column("document").to_pylist()))
    assert str(result["doc_date"].dtype) == "date32[day][pyarrow]"


@pytest.mark.parametrize("table", ["intervals", "header", "warnings", "errors"])
def test_every_table_is_available(folder, client, table):
    frame = velmora.dask.read_statements(str(folder), table=table, files_per_partition=8)
    local = velmora.read_tables(folder)[table]
    assert len(frame.compute()) == local.num_rows
    assert list(frame.columns) == list(local.column_names)


def test_bad_arguments_are_refused(folder):
    with pytest.raises(ValueError):
        velmora.dask.read_statements(str(folder), table="nope")
    with pytest.raises(ValueError):
        velmora.dask.read_statements(str(folder), files_per_partition=0)
