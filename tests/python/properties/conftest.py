"""Makes the suite's shared statement helpers importable from this folder,
whether it runs alone or with the rest of the suite."""

import pathlib
import sys

_SHARED = str(pathlib.Path(__file__).resolve().parents[1])
if _SHARED not in sys.path:
    sys.path.insert(0, _SHARED)
