"""Private native helpers of the velmora package; not a public API."""

from typing import Final

import velmora_py

FINDING_KINDS: Final[tuple[str, ...]]

def check(statement: velmora_py.Statement, /) -> list[tuple[str, str | None, int | None, str]]: ...
