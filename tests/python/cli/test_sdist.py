"""The source distribution holds everything a wheel is built from."""

import os
import pathlib
import subprocess
import sys
import tarfile
import zipfile

import pytest

SDIST = os.environ.get("VELMORA_SDIST")
WHEEL = os.environ.get("VELMORA_WHEEL")

if not (SDIST and WHEEL):
    if os.environ.get("VELMORA_REQUIRE_INSTALLED"):
        raise RuntimeError("VELMORA_SDIST or VELMORA_WHEEL names no file")
    pytest.skip("no source distribution was built for this run", allow_module_level=True)


def sdist_members():
    with tarfile.open(SDIST) as tar:
        names = tar.getnames()
    top = {name.split("/", 1)[0] for name in names}
    assert len(top) == 1, top
    prefix = top.pop() + "/"
    return {name[len(prefix):] for name in names if name.startswith(prefix)}


def metadata_field(text, field):
    for line in text.splitlines():
        if line.startswith(field + ": "):
            return line.split(": ", 1)[1]
    raise AssertionError(f"no {field} in the metadata")


def test_sdist_carries_sources_data_and_licences_but_no_build_output():
    members = sdist_members()
    for needed in ("pyproject.toml", "CMakeLists.txt", "LICENSE", "README.md", "PKG-INFO",
                   "data/ucd-16.0.0/LICENSE", "data/whatwg/LICENSE",
                   "python/velmora_py-stubs/__init__.pyi", "python/velmora/cli.py"):
        assert needed in members, needed
    assert any(m.startswith("core/text/") for m in members)
    leaked = [m for m in members if m.split("/", 1)[0] in {"build", "dist", ".venv", ".venv-ft", ".venv-debug"}
              or "__pycache__" in m]
    assert leaked == []


def test_sdist_builds_the_same_wheel(tmp_path):
    with tarfile.open(SDIST) as tar:
        tar.extractall(tmp_path / "src", filter="data")
    (source,) = (tmp_path / "src").iterdir()
    out = tmp_path / "wheel"
    subprocess.run([sys.executable, "-m", "pip", "wheel", "-q", "--no-build-isolation", "--no-deps",
                    "-w", out, source], check=True, capture_output=True)
    (rebuilt,) = out.glob("velmora-*.whl")
    assert rebuilt.name == pathlib.Path(WHEEL).name
    with zipfile.ZipFile(WHEEL) as a, zipfile.ZipFile(rebuilt) as b:
        assert sorted(a.namelist()) == sorted(b.namelist())
        meta = next(n for n in b.namelist() if n.endswith(".dist-info/METADATA"))
        with tarfile.open(SDIST) as tar:
            pkg_info = next(m for m in tar.getmembers() if m.name.endswith("/PKG-INFO"))
            sdist_meta = tar.extractfile(pkg_info).read().decode()
        assert metadata_field(b.read(meta).decode(), "Version") == metadata_field(sdist_meta, "Version")
