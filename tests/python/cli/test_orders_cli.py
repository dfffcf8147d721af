"""velmora orders: CSV → payment-order file → parse, in subprocesses."""

import csv
import io
import subprocess

import pytest
import velmora_py

import velmora
from installed_command import COMMAND

ACCOUNT = "40702810400000007777"  # a valid key at 044525974
GOOD = dict(doc_number="1", doc_date="2024-03-05", amount="1500.50", purpose="Оплата; счёт, 5",
            counterparty_inn="7707083893", counterparty_bic="044525974", counterparty_bank1="ПАО БАНК",
            counterparty_account=ACCOUNT, payee_inn="500100732259", payee_bic="044525225",
            payee_bank1="АО БАНК", payee_account="40702810938000012345", payee="ИП Иванов")


def run(*args):
    return subprocess.run([COMMAND, *map(str, args)], capture_output=True, timeout=120)


def csv_bytes(rows, excel):
    out = io.StringIO()
    writer = csv.writer(out, delimiter=";" if excel else ",", lineterminator="\r\n" if excel else "\n")
    writer.writerow(velmora.DOCUMENT_ATTRIBUTES)
    for row in rows:
        writer.writerow([row.get(name, "") for name in velmora.DOCUMENT_ATTRIBUTES])
    return out.getvalue().encode("utf-8-sig" if excel else "utf-8")


@pytest.mark.parametrize("excel", [False, True])
@pytest.mark.parametrize("encoding", ["cp1251", "utf-8", "cp866"])
def test_csv_to_orders_to_parse(tmp_path, excel, encoding):
    rows = [GOOD, dict(GOOD, doc_number="2", doc_date="2024-03-01", amount="7", purpose="две строки")]
    source = tmp_path / "orders.csv"
    source.write_bytes(csv_bytes(rows, excel))
    out = tmp_path / "1c_to_kl.txt"
    result = run("orders", source, "--account", ACCOUNT, "--encoding", encoding, "-o", out)
    assert result.returncode == 0, result.stderr.decode()
    statement = velmora.read(out.read_bytes())
    assert statement.warnings == []
    for row, doc in zip(rows, statement.documents, strict=True):
        expected = velmora.PaymentOrder(**row)
        assert velmora.PaymentOrder.from_document(doc) == expected


def test_the_csv_velmora_csv_writes_is_accepted(tmp_path):
    data = velmora.write_orders([velmora.PaymentOrder(**GOOD)], account=ACCOUNT)
    statement_file = tmp_path / "orders.txt"
    statement_file.write_bytes(data)
    exported = tmp_path / "exported.csv"
    assert run("csv", "--excel", statement_file, "-o", exported).returncode == 0
    result = run("orders", exported, "--account", ACCOUNT, "--encoding", "utf-8")
    assert result.returncode == 0, result.stderr.decode()
    assert velmora_py.parse(result.stdout).documents == velmora_py.parse(data).documents


def test_problems_name_the_csv_line_and_nothing_is_written(tmp_path):
    rows = [GOOD, dict(GOOD, amount="0", payee_inn="1"), dict(GOOD, purpose="multi\nline", doc_date="")]
    source = tmp_path / "orders.csv"
    source.write_bytes(csv_bytes(rows, excel=False))
    out = tmp_path / "kept.txt"
    out.write_bytes(b"earlier")
    result = run("orders", source, "--account", ACCOUNT, "-o", out)
    assert result.returncode == 1
    lines = result.stderr.decode().splitlines()
    assert [line.split(": ")[0:2] for line in lines] == [
        [f"{source}:3", "amount"], [f"{source}:3", "payee_inn"],
        [f"{source}:4", "doc_date"], [f"{source}:4", "purpose"]]
    assert out.read_bytes() == b"earlier"
    missing = tmp_path / "new.txt"
    assert run("orders", source, "--account", ACCOUNT, "-o", missing).returncode == 1
    assert not missing.exists()


def test_unknown_columns_and_missing_files(tmp_path):
    source = tmp_path / "orders.csv"
    source.write_text("doc_number,sum\n1,2\n", encoding="utf-8")
    result = run("orders", source, "--account", ACCOUNT)
    assert result.returncode == 1
    assert f"{source}:1: sum: not an attribute" in result.stderr.decode()
    assert run("orders", tmp_path / "none.csv", "--account", ACCOUNT).returncode == 1
    assert run("orders", source).returncode == 2  # --account is required
