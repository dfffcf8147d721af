"""The built wheel installs into a fresh environment and works there."""

import json
import os
import pathlib
import subprocess
import sys

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[3]
WHEEL = os.environ.get("VELMORA_WHEEL")

if not WHEEL:
    if os.environ.get("VELMORA_REQUIRE_INSTALLED"):
        raise RuntimeError("VELMORA_WHEEL names no wheel")
    pytest.skip("no wheel was built for this run", allow_module_level=True)


def test_wheel_in_a_fresh_environment(tmp_path):
    env_dir = tmp_path / "env"
    subprocess.run([sys.executable, "-m", "venv", "--without-pip", env_dir], check=True)
    python = env_dir / "bin" / "python"
    # pip from this environment installs into the fresh one, offline.
    subprocess.run([sys.executable, "-m", "pip", "--python", python, "install", "-q", "--no-index",
                    "--no-deps", WHEEL], check=True)
    out = subprocess.run([env_dir / "bin" / "velmora", "json", ROOT / "examples/statement_cp1251.txt"],
                         check=True, capture_output=True).stdout
    data = json.loads(out)
    assert data["encoding"] == "cp1251" and len(data["documents"]) == 3
    site = subprocess.run([python, "-c", "import velmora_py, sysconfig; print(sysconfig.get_paths()['purelib'])"],
                          check=True, capture_output=True, text=True).stdout.strip()
    assert (pathlib.Path(site) / "velmora_py-stubs" / "__init__.pyi").is_file()
