"""Makes the suite's shared statement helpers and the statement grammar of
tests/python/properties importable from this folder."""

import pathlib
import sys

_PYTHON_TESTS = pathlib.Path(__file__).resolve().parents[1]
for _shared in (str(_PYTHON_TESTS), str(_PYTHON_TESTS / "properties")):
    if _shared not in sys.path:
        sys.path.insert(0, _shared)
