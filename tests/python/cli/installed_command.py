"""The installed `velmora` command that the subprocess tests run, found
beside the interpreter running the suite; the importing test module is
skipped without it (unless the suite must test an installed package)."""

import os
import pathlib
import shutil
import sys

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[3]
COMMAND = shutil.which("velmora", path=str(pathlib.Path(sys.executable).parent))

if COMMAND is None:
    if os.environ.get("VELMORA_REQUIRE_INSTALLED"):
        raise RuntimeError("the velmora command is not installed beside this interpreter")
    pytest.skip("the velmora command is not installed", allow_module_level=True)
