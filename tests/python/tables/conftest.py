"""Makes the suite's shared statement helpers and the statement grammar
importable from this folder."""

import pathlib
import sys

_ROOT = pathlib.Path(__file__).resolve().parents[1]
for folder in (_ROOT, _ROOT / "properties"):
    if str(folder) not in sys.path:
        sys.path.insert(0, str(folder))
