"""Private native helpers of the velmora package; not a public API."""

from collections.abc import Buffer
from typing import Final

import velmora_py

FINDING_KINDS: Final[tuple[str, ...]]

def check(statement: velmora_py.Statement, /) -> list[tuple[str, str | None, int | None, str]]: ...
def write_statement(statement: velmora_py.Statement, encoding: str, newline: str, /) -> bytes | list[tuple[str, str, str]]: ...
def dos_text(data: Buffer, /) -> bytes | None: ...
