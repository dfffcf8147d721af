"""Shared helpers for the report tests: the suite's statement helpers on the
path, generated statements, and where browser screenshots go."""

import pathlib
import sys

_HERE = pathlib.Path(__file__).resolve().parent
for folder in (_HERE, _HERE.parent, _HERE.parent / "checks"):
    if str(folder) not in sys.path:
        sys.path.insert(0, str(folder))

ARTIFACTS = _HERE.parents[2] / "build" / "test-artifacts" / "report"


def pytest_terminal_summary(terminalreporter):
    if ARTIFACTS.is_dir() and any(ARTIFACTS.glob("*.png")):
        terminalreporter.write_line(f"report screenshots: {ARTIFACTS}")
