"""Makes the suite's shared statement helpers importable from this folder."""

import pathlib
import sys

_SHARED = str(pathlib.Path(__file__).resolve().parents[1])
if _SHARED not in sys.path:
    sys.path.insert(0, _SHARED)
_HERE = str(pathlib.Path(__file__).resolve().parent)
if _HERE not in sys.path:
    sys.path.insert(0, _HERE)
