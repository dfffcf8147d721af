"""velmora convert, and DOS input for show/json/csv, in subprocesses."""

import json
import subprocess

import pytest
import velmora_py

from installed_command import COMMAND, ROOT

UTF8_EXAMPLE = ROOT / "examples/statement_utf8.txt"


def run(*args, stdin=None):
    return subprocess.run([COMMAND, *map(str, args)], input=stdin, capture_output=True, timeout=120)


@pytest.mark.parametrize("encoding", ["cp1251", "utf-8"])
def test_convert_to_a_file_reads_back(tmp_path, encoding):
    out = tmp_path / "out.txt"
    result = run("convert", UTF8_EXAMPLE, "--encoding", encoding, "-o", out)
    assert result.returncode == 0, result.stderr.decode()
    original, converted = velmora_py.parse(UTF8_EXAMPLE.read_bytes()), velmora_py.parse(out.read_bytes())
    assert converted.encoding == encoding
    assert converted.documents == original.documents and converted.accounts == original.accounts


def test_convert_to_dos_and_back_through_standard_streams(tmp_path):
    source = UTF8_EXAMPLE.read_text(encoding="utf-8").replace("«", '"').replace("»", '"').replace("—", "-")
    dos = run("convert", "-", "--encoding", "cp866", "--newline", "lf", stdin=source.encode())
    assert dos.returncode == 0, dos.stderr.decode()
    assert "Кодировка=DOS\n".encode("cp866") in dos.stdout and b"\r" not in dos.stdout
    shown = run("json", "-", stdin=dos.stdout)
    assert shown.returncode == 0, shown.stderr.decode()
    assert json.loads(shown.stdout)["header"]["Кодировка"] == "DOS"
    back = run("convert", "-", "--encoding", "utf-8", stdin=dos.stdout)
    assert velmora_py.parse(back.stdout).documents == velmora_py.parse(source).documents
    assert run("show", "-", stdin=dos.stdout).returncode == 0
    (tmp_path / "dos.txt").write_bytes(dos.stdout)
    assert run("csv", tmp_path / "dos.txt").stdout.count(b"\n") == 1 + len(velmora_py.parse(source).documents)


def test_convert_refusal_creates_no_file(tmp_path):
    out = tmp_path / "out.txt"
    result = run("convert", UTF8_EXAMPLE, "--encoding", "cp866", "-o", out)
    assert result.returncode == 1
    assert not out.exists()
    assert f"{UTF8_EXAMPLE}: document 0: НазначениеПлатежа: character U+00AB".encode() in result.stderr


def test_convert_usage_errors():
    assert run("convert", UTF8_EXAMPLE).returncode == 2
    assert run("convert", UTF8_EXAMPLE, "--encoding", "koi8-r").returncode == 2
    missing = run("convert", ROOT / "no such file", "--encoding", "utf-8")
    assert missing.returncode == 1 and b"no such file" in missing.stderr
