"""Checks that a statement adds up: balances, turnovers, check digits, dates
and duplicates. The checks themselves run in the C++ core, without the
interpreter lock; see docs/checks.md for what each kind means."""

from typing import NamedTuple

import velmora_py

from velmora import _native

# The finding kinds, in the order findings are reported.
KINDS: tuple[str, ...] = _native.FINDING_KINDS


class Finding(NamedTuple):
    """One thing found wrong with a statement.

    kind: one of KINDS; account: the account number concerned, or None;
    document: the index into statement.documents, or None; message: a
    sentence with the numbers involved."""

    kind: str
    account: str | None
    document: int | None
    message: str


def check(statement: velmora_py.Statement) -> list[Finding]:
    """Every check on `statement`, as a list of findings (empty when it
    passes them all), ordered by kind in the order of KINDS, then by the
    account's place in statement.accounts (other numbers and None after
    those), then by document index (None first).

    Raises TypeError or ValueError, naming the attribute, when the statement's
    values are not what velmora_py.parse gives (say, a document appended to
    statement.documents by hand with a float amount)."""
    return [Finding._make(found) for found in _native.check(statement)]
