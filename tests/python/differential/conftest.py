"""Makes the suite's shared statement helpers and the property strategies
importable from this folder, whether it runs alone or with the rest of the
suite."""

import pathlib
import sys

_SUITE = pathlib.Path(__file__).resolve().parents[1]
for _folder in (_SUITE, _SUITE / "properties"):
    if str(_folder) not in sys.path:
        sys.path.insert(0, str(_folder))
