"""Private native helpers of the velmora package; not a public API."""

from collections.abc import Buffer
from typing import Any, Final, final

import velmora_py

FINDING_KINDS: Final[tuple[str, ...]]
DATE_ATTRIBUTES: Final[tuple[str, ...]]
AMOUNT_ATTRIBUTES: Final[tuple[str, ...]]

def check(statement: velmora_py.Statement, /) -> list[tuple[str, str | None, int | None, str]]: ...

TABLE_NAMES: tuple[str, ...]

@final
class ParsedFile:
    @property
    def failure(self) -> tuple[str, str, int | None] | None: ...

@final
class ArrowTable:
    @property
    def num_rows(self) -> int: ...
    @property
    def column_names(self) -> tuple[str, ...]: ...
    def __arrow_c_schema__(self) -> Any: ...
    def __arrow_c_stream__(self, requested_schema: Any = None) -> Any: ...

def read_file(data: bytes | bytearray | memoryview, threads: int = 1, /) -> ParsedFile: ...
def assemble(
    items: list[tuple[str, ParsedFile | tuple[str, str, int | None]]], /
) -> tuple[ArrowTable, ArrowTable, ArrowTable, ArrowTable, ArrowTable]: ...

def write_statement(statement: velmora_py.Statement, encoding: str, newline: str, /) -> bytes | list[tuple[str, str, str]]: ...
def dos_text(data: Buffer, /) -> bytes | None: ...
def write_orders(orders: list[dict[str, str | None]], account: str, encoding: str, newline: str, sender: str,
                 receiver: str, created: tuple[int, int, int, int, int, int], date_start: str | None,
                 date_end: str | None, /) -> bytes | list[tuple[int | None, str, str]]: ...
def order_value(attribute: str, text: str, /) -> str: ...
