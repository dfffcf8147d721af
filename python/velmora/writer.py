"""Writing statements back into the exchange format: velmora.write."""

from collections.abc import Sequence
from typing import Final

import velmora_py

from velmora import _native

ENCODINGS: Final = ("cp1251", "utf-8", "cp866")
NEWLINES: Final = ("\r\n", "\n")

Problem = tuple[str, str, str]
OrderProblem = tuple[int | None, str, str]


class WriteError(ValueError):
    """A statement or payment orders that cannot be written so that they read
    back as they are.

    `problems` lists every problem. From velmora.write, each is a (where,
    key, message) tuple: where is "header", "statement", "account <number>
    interval <i>" or "document <i>" (counted from 0), key the line's key.
    From velmora.write_orders, each is an (order_index, attribute, message)
    tuple: order_index counts from 0, and is None for the file's own
    settings (attribute then names the argument: "account", "sender", ...).
    """

    problems: list[tuple[str | int | None, str, str]]

    def __init__(self, problems: Sequence[Problem | OrderProblem], *, what: str = "the statement") -> None:
        self.problems = list(problems)
        lines = []
        for where, key, message in self.problems:
            if isinstance(where, int):
                where = f"order {where}"
            elif where is None:
                where = "file"
            lines.append(f"{where}: {key}: {message}" if key else f"{where}: {message}")
        count = len(lines)
        super().__init__(f"cannot write {what} ({count} problem{'s' if count != 1 else ''}):\n  "
                         + "\n  ".join(lines))


def write(statement: velmora_py.Statement, *, encoding: str = "cp1251", newline: str = "\r\n") -> bytes:
    """The statement in the 1CClientBankExchange format, as bytes.

    encoding is "cp1251" (the format's Windows, the default), "utf-8" or
    "cp866" (DOS); newline is "\\r\\n" or "\\n". A "Кодировка" header value
    is set to match the encoding; no key is added. Reading the result with
    velmora.read gives the same header (but for "Кодировка"), accounts and
    documents, without warnings. Raises WriteError, listing every problem,
    for anything that would not read back so (a character the encoding
    lacks, a line break in a key or value, white space at either end of a
    value, "=" in a header key, ...); nothing is written then.
    """
    if encoding not in ENCODINGS:
        raise ValueError(f"unknown encoding {encoding!r}: expected one of {', '.join(map(repr, ENCODINGS))}")
    if newline not in NEWLINES:
        raise ValueError(f"newline must be '\\r\\n' or '\\n', not {newline!r}")
    result = _native.write_statement(statement, encoding, newline)
    if isinstance(result, list):
        raise WriteError(result)
    return result
