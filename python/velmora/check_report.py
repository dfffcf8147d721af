"""How `velmora check` and `velmora show` write findings as text."""

import argparse
import os
import pathlib
from collections import Counter
from collections.abc import Iterable, Iterator, Sequence

import velmora_py

from velmora.checks import KINDS, Finding


def finding_line(label: str, statement: velmora_py.Statement, finding: Finding) -> str:
    """FILE: kind: account …: document N (number X of DATE): message, leaving
    out the parts that do not apply."""
    parts = [label, finding.kind]
    if finding.account is not None:
        parts.append(f"account {finding.account}")
    if finding.document is not None:
        where = f"document {finding.document}"
        if 0 <= finding.document < len(statement.documents):
            doc = statement.documents[finding.document]
            where += f" (number {doc.doc_number} of {doc.doc_date})"
        parts.append(where)
    parts.append(finding.message)
    return ": ".join(parts)


def counts(findings: Iterable[Finding]) -> str:
    """"balance 1, inn 2": the number of findings of each kind found, in the
    order of the kinds."""
    tally = Counter(f.kind for f in findings)
    return ", ".join(f"{kind} {tally[kind]}" for kind in KINDS if tally[kind])


def outcome(findings: Sequence[Finding]) -> str:
    """"checks: all passed", or "checks: 3 findings (balance 1, inn 2)"."""
    if not findings:
        return "checks: all passed"
    noun = "finding" if len(findings) == 1 else "findings"
    return f"checks: {len(findings)} {noun} ({counts(findings)})"


def kind_list(text: str) -> list[str]:
    """An argparse type: "balance,inn" as a list of known kinds."""
    kinds = [k.strip() for k in text.split(",") if k.strip()]
    unknown = [k for k in kinds if k not in KINDS]
    if unknown:
        raise argparse.ArgumentTypeError(
            f"unknown check kind {', '.join(unknown)} (choose from {', '.join(KINDS)})")
    return kinds


def is_statement_name(path: pathlib.Path) -> bool:
    return path.suffix.lower() == ".txt" and not path.name.startswith(".")


def statement_files(directory: str) -> Iterator[str]:
    """The .txt files under a directory, at any depth, in name order;
    hidden files and folders are left out."""
    for root, folders, files in os.walk(directory):
        folders[:] = sorted(f for f in folders if not f.startswith("."))
        for name in sorted(files):
            if is_statement_name(pathlib.Path(name)):
                yield os.path.join(root, name)
