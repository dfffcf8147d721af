"""The shipped stubs match the built module, and the project's own Python
code type-checks strictly against them."""

import importlib.util
import os
import pathlib
import shutil
import subprocess
import sys

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[3]

if importlib.util.find_spec("mypy") is None:
    pytest.skip("mypy is not installed", allow_module_level=True)


def mypy(*args, env=None):
    return subprocess.run([sys.executable, "-m", *args], capture_output=True, text=True,
                          cwd=ROOT, env=env, timeout=600)


@pytest.fixture
def stub_env(tmp_path):
    # mypy finds "-stubs" packages only in site-packages; a copy named after
    # the module makes the checkout's stubs the ones checked, installed or not.
    shutil.copy(ROOT / "python/velmora_py-stubs/__init__.pyi", tmp_path / "velmora_py.pyi")
    env = dict(os.environ)
    # stubtest imports from another directory, so relative entries would miss.
    paths = env.get("PYTHONPATH", "").split(os.pathsep)
    env["PYTHONPATH"] = os.pathsep.join(os.path.abspath(p) for p in paths if p)
    env["MYPYPATH"] = f"{tmp_path}{os.pathsep}{ROOT / 'python'}"
    return env


def test_stubtest_against_the_built_module(stub_env):
    result = mypy("mypy.stubtest", "velmora_py", env=stub_env)
    assert result.returncode == 0, result.stdout + result.stderr


def test_strict_on_the_cli_package(stub_env):
    result = mypy("mypy", "--strict", "--no-incremental", str(ROOT / "python/velmora"), env=stub_env)
    assert result.returncode == 0, result.stdout + result.stderr
