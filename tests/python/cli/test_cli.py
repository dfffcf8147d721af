"""The installed `velmora` command, run in a subprocess."""

import csv
import io
import json
import os
import subprocess
import sys

import pytest

from installed_command import COMMAND, ROOT

EXAMPLES = sorted((ROOT / "examples").glob("*.txt"))

sys.path.insert(0, str(ROOT / "bench"))
import gen_statement  # noqa: E402


def run(*args, stdin=None):
    return subprocess.run([COMMAND, *map(str, args)], input=stdin, capture_output=True, timeout=120)


def test_show_summarises_every_example():
    result = run("show", *EXAMPLES)
    out = result.stdout.decode()
    assert result.returncode == 0, result.stderr.decode()
    for path in EXAMPLES:
        assert str(path) in out
    assert "40702810555000012345" in out and "2024-03-01" in out
    # The windows-1251 example holds one document that cannot be built.
    assert b":281: warning:" in result.stderr


def test_show_totals_follow_the_document_accounts():
    out = run("show", ROOT / "examples/statement_cp1251.txt").stdout.decode()
    block = out.split("account 40702810555000012345", 1)[1].split("account ", 1)[0]
    assert "documents: in 354000.00, out 145750.75" in block


def test_strict_turns_warnings_into_failure():
    assert run("--strict", "show", ROOT / "examples/statement_cp1251.txt").returncode == 1
    assert run("show", "--strict", ROOT / "examples/statement_utf8.txt").returncode == 0


def test_json_holds_everything_the_module_returns():
    import velmora_py

    path = ROOT / "examples/statement_utf8.txt"
    result = run("json", "--indent", "2", path)
    assert result.returncode == 0
    data = json.loads(result.stdout)
    statement = velmora_py.parse(path.read_bytes())
    assert data["encoding"] == statement.encoding
    assert data["header"] == statement.header
    assert len(data["documents"]) == len(statement.documents)
    first = data["documents"][0]
    assert len(first) == 53 and first["amount"] == statement.documents[0].amount
    assert data["accounts"]["40702810400000007777"][0]["date_start"] == "2024-04-01"


@pytest.mark.parametrize("excel", [False, True])
def test_csv_rows_per_document(tmp_path, excel):
    out = tmp_path / "out.csv"
    args = ["csv", ROOT / "examples/statement_cp1251.txt", "-o", out] + (["--excel"] if excel else [])
    assert run(*args).returncode == 0
    raw = out.read_bytes()
    assert raw.startswith(b"\xef\xbb\xbf") == excel
    rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig")), delimiter=";" if excel else ","))
    assert len(rows[0]) == 53 and rows[0][0] == "doc_number"
    assert [row[0] for row in rows[1:]] == ["214", "87", "215"]


def test_standard_input_and_generated_statement():
    data = gen_statement.generate(200_000, "cp1251", seed=7)
    result = run("json", "-", stdin=data)
    assert result.returncode == 0
    assert json.loads(result.stdout)["encoding"] == "cp1251"


@pytest.mark.parametrize(
    "data, message",
    [
        (b"1CClientBankExchange\nfoo\n", b"<stdin>:2: Unrecognized line: 'foo'"),
        (b"1CClientBankExchange\n", b"<stdin>: Statement is not finished"),
        (b"", b"<stdin>: Input is empty"),
    ],
)
def test_parse_failures_name_the_line(data, message):
    result = run("show", "-", stdin=data)
    assert result.returncode == 1
    assert message in result.stderr


@pytest.mark.parametrize("args", [[], ["show"], ["frobnicate", "x"], ["json", "--indent", "x", "-"]])
def test_usage_errors_exit_2(args):
    assert run(*args).returncode == 2


def test_missing_file_fails_cleanly(tmp_path):
    result = run("json", tmp_path / "absent.txt")
    assert result.returncode == 1 and b"absent.txt" in result.stderr


def test_show_counts_a_transfer_within_one_account_both_ways():
    lines = (ROOT / "examples/statement_utf8.txt").read_text(encoding="utf-8").splitlines()
    # The first document pays from another account into 40702810400000007777;
    # make it pay from that account too.
    payer = lines.index("ПлательщикСчет=40702810700000001234")
    lines[payer] = "ПлательщикСчет=40702810400000007777"
    result = run("show", "-", stdin="\n".join(lines).encode())
    assert result.returncode == 0, result.stderr.decode()
    assert "documents: in 187500.00, out 211234.56" in result.stdout.decode()


# Every way the output can fail ends the run with status 1 and one line on
# standard error (none for a closed pipe), never a traceback.
OUTPUT_COMMANDS = [["show"], ["json"], ["csv"], ["csv", "--excel"]]
UTF8_EXAMPLE = ROOT / "examples/statement_utf8.txt"


def run_into(stdout, *args, env=None):
    return subprocess.run([COMMAND, *map(str, args)], stdout=stdout, stderr=subprocess.PIPE,
                          timeout=120, env=env)


@pytest.mark.parametrize("command", OUTPUT_COMMANDS)
def test_closed_pipe_exits_1_quietly(command):
    read_end, write_end = os.pipe()
    os.close(read_end)
    try:
        result = run_into(write_end, *command, UTF8_EXAMPLE)
    finally:
        os.close(write_end)
    assert (result.returncode, result.stderr) == (1, b"")


@pytest.mark.parametrize("command", OUTPUT_COMMANDS)
def test_pipe_closed_by_its_reader_midway_exits_1(command):
    # More output than a pipe holds, so the writer is still writing when
    # the reader stops, as with `| head`.
    data = gen_statement.generate(1_000_000, "utf-8", seed=3)
    process = subprocess.Popen([COMMAND, *command, "-"], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    process.stdin.write(data)
    process.stdin.close()
    assert process.stdout.read(100)
    process.stdout.close()
    assert process.wait(timeout=120) == 1
    assert b"Traceback" not in process.stderr.read()
    process.stderr.close()


@pytest.mark.skipif(not os.path.exists("/dev/full"), reason="needs /dev/full")
@pytest.mark.parametrize("command", OUTPUT_COMMANDS)
def test_full_device_is_one_line(command):
    with open("/dev/full", "wb") as full:
        result = run_into(full, *command, UTF8_EXAMPLE)
    assert (result.returncode, result.stderr) == (1, b"<stdout>: No space left on device\n")


@pytest.mark.parametrize(
    "target, message",
    [
        ("missing_dir/x.csv", "missing_dir/x.csv: No such file or directory"),
        (".", ".: Is a directory"),
        pytest.param("/dev/full", "/dev/full: No space left on device",
                     marks=pytest.mark.skipif(not os.path.exists("/dev/full"), reason="needs /dev/full")),
    ],
)
def test_csv_output_file_errors_are_one_line(tmp_path, target, message):
    result = subprocess.run([COMMAND, "csv", str(UTF8_EXAMPLE), "-o", target], cwd=tmp_path,
                            capture_output=True, timeout=120)
    assert (result.returncode, result.stderr.decode()) == (1, message + "\n")


@pytest.mark.parametrize("command", OUTPUT_COMMANDS)
def test_non_utf8_standard_output(command):
    env = {**os.environ, "PYTHONIOENCODING": "ascii", "PYTHONUTF8": "0"}
    result = subprocess.run([COMMAND, *command, str(UTF8_EXAMPLE)], capture_output=True,
                            timeout=120, env=env)
    if command[0] == "csv":
        # CSV is written as UTF-8 bytes whatever the locale.
        assert result.returncode == 0 and "Платежное".encode() in result.stdout
    else:
        assert result.returncode == 1
        assert result.stderr == (b"<stdout>: cannot write '\\u0412' in the encoding ascii;"
                                 b" set PYTHONIOENCODING=utf-8\n")
