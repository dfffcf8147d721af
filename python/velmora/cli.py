"""velmora show|json|csv|check|report: look at, convert and check bank statements.

Exit codes: 0 on success, 1 when a statement does not parse (or, with
--strict, has warnings) and, for check, when anything is found, 2 on usage
errors.
"""

import argparse
import csv
import decimal
import io
import json
import os
import sys
from collections.abc import Sequence
from typing import TextIO

import velmora_py

from velmora import check_report
from velmora.checks import check
from velmora.records import DOCUMENT_ATTRIBUTES, statement_dict
from velmora.report import command as report_command


class Failure(Exception):
    """A statement that could not be read or parsed; already reported."""


def read_input(name: str) -> bytes:
    if name == "-":
        return sys.stdin.buffer.read()
    with open(name, "rb") as f:
        return f.read()


def load(name: str, strict: bool) -> velmora_py.Statement:
    label = "<stdin>" if name == "-" else name
    try:
        data = read_input(name)
    except OSError as error:
        print(f"{label}: {error.strerror or error}", file=sys.stderr)
        raise Failure from None
    try:
        statement = velmora_py.parse(data)
    except velmora_py.ParseError as error:
        detail = getattr(error, "detail", None)
        where = f"{label}:{detail.lineno}" if detail is not None else label
        print(f"{where}: {error}", file=sys.stderr)
        raise Failure from None
    for lineno, message in statement.warnings:
        print(f"{label}:{lineno}: warning: {message}", file=sys.stderr)
    if strict and statement.warnings:
        raise Failure
    return statement


def cut(text: str | None, width: int) -> str:
    text = (text or "").replace("\n", " ")
    return text if len(text) <= width else text[: width - 1] + "…"


def table(rows: list[list[str]], right: set[int]) -> list[str]:
    widths = [max(len(row[i]) for row in rows) for i in range(len(rows[0]))]
    lines = []
    for row in rows:
        cells = [c.rjust(w) if i in right else c.ljust(w) for i, (c, w) in enumerate(zip(row, widths))]
        lines.append("  ".join(cells).rstrip())
    return lines


def account_totals(statement: velmora_py.Statement) -> dict[str, tuple[decimal.Decimal, decimal.Decimal]]:
    """Incoming and outgoing sums per account, where a document names it."""
    totals = {}
    for number in statement.accounts:
        incoming = outgoing = decimal.Decimal(0)
        for doc in statement.documents:
            if doc.payee_account == number:
                incoming += decimal.Decimal(doc.amount)
            elif doc.counterparty_account == number:
                outgoing += decimal.Decimal(doc.amount)
        totals[number] = (incoming, outgoing)
    return totals


def show(statement: velmora_py.Statement, label: str, out: TextIO) -> None:
    print(f"{label}  ({statement.encoding})", file=out)
    for key, value in statement.header.items():
        print(f"  {key} = {value}", file=out)
    totals = account_totals(statement)
    for number, account in statement.accounts.items():
        print(f"\naccount {number}", file=out)
        rows = [["from", "to", "opening", "income", "expense", "closing"]]
        for iv in account.intervals:
            rows.append([iv.date_start, iv.date_end or "", iv.start_amount, iv.total_income or "",
                         iv.total_expense or "", iv.end_amount or ""])
        for line in table(rows, right={2, 3, 4, 5}):
            print(f"  {line}", file=out)
        incoming, outgoing = totals[number]
        print(f"  documents: in {incoming}, out {outgoing}", file=out)
    print(f"\ndocuments: {len(statement.documents)}", file=out)
    if statement.documents:
        rows = [["date", "number", "type", "amount", "counterparty", "payee", "purpose"]]
        for d in statement.documents:
            rows.append([d.doc_date, d.doc_number, cut(d.doc_type, 22), d.amount,
                         cut(d.counterparty_1 or d.counterparty, 30), cut(d.payee_1 or d.payee, 30),
                         cut(d.purpose, 50)])
        for line in table(rows, right={3}):
            print(f"  {line}", file=out)
    if statement.warnings:
        print(f"\nwarnings: {len(statement.warnings)}", file=out)
        for lineno, message in statement.warnings:
            print(f"  line {lineno}: {message}", file=out)


def write_csv(statement: velmora_py.Statement, out: TextIO, excel: bool) -> None:
    writer = csv.writer(out, delimiter=";" if excel else ",", lineterminator="\r\n" if excel else "\n")
    writer.writerow(DOCUMENT_ATTRIBUTES)
    for doc in statement.documents:
        writer.writerow(["" if (v := getattr(doc, name)) is None else v for name in DOCUMENT_ATTRIBUTES])


def arguments() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog="velmora", description="Look at and convert 1CClientBankExchange statements.")
    parser.add_argument("--strict", action="store_true", help="treat warnings as errors (exit 1)")
    commands = parser.add_subparsers(dest="command", required=True)
    p = commands.add_parser("show", help="a readable summary of each statement")
    p.add_argument("files", nargs="+", metavar="FILE", help="statement file, or - for standard input")
    p = commands.add_parser("json", help="the whole statement as JSON")
    p.add_argument("file", metavar="FILE")
    p.add_argument("--indent", type=int, default=None)
    p = commands.add_parser("csv", help="one row per document, all attributes")
    p.add_argument("file", metavar="FILE")
    p.add_argument("-o", "--output", metavar="FILE", help="write here instead of standard output")
    p.add_argument("--excel", action="store_true", help="UTF-8 with a byte order mark and ; separators")
    add_check_command(commands)
    report_command.add_command(commands)
    for sub in commands.choices.values():
        sub.add_argument("--strict", action="store_true", default=argparse.SUPPRESS,
                         help="treat warnings as errors (exit 1)")
    return parser


# --- velmora check ------------------------------------------------------------

def add_check_command(commands: "argparse._SubParsersAction[argparse.ArgumentParser]") -> None:
    p = commands.add_parser("check", help="balances, turnovers, check digits, dates and duplicates")
    p.add_argument("paths", nargs="+", metavar="FILE|DIR",
                   help="statement file, folder of .txt statements, or - for standard input")
    p.add_argument("--ignore", type=check_report.kind_list, action="append", default=[],
                   metavar="KIND,…", help="leave out findings of these kinds")


def check_one(name: str, strict: bool, ignored: set[str]) -> bool:
    """Prints the findings and the summary line of one file; true when the
    file parsed and nothing was found."""
    statement = load(name, strict)
    label = "<stdin>" if name == "-" else name
    findings = [f for f in check(statement) if f.kind not in ignored]
    for finding in findings:
        print(check_report.finding_line(label, statement, finding))
    print(f"{label}: {check_report.outcome(findings)}")
    return not findings


def run_check(args: argparse.Namespace) -> int:
    ignored = {kind for kinds in args.ignore for kind in kinds}
    status = 0
    for path in args.paths:
        names = [path]
        if path != "-" and os.path.isdir(path):
            names = list(check_report.statement_files(path))
            if not names:
                print(f"{path}: no .txt statement files in this folder", file=sys.stderr)
                status = 1
        for name in names:
            try:
                if not check_one(name, args.strict, ignored):
                    status = 1
            except Failure:
                status = 1
    return status


def run(args: argparse.Namespace) -> int:
    if args.command == "show":
        status = 0
        shown = 0
        for name in args.files:
            try:
                statement = load(name, args.strict)
            except Failure:
                status = 1
                continue
            if shown:
                print()
            shown += 1
            show(statement, "<stdin>" if name == "-" else name, sys.stdout)
            print(f"\n{check_report.outcome(check(statement))}", file=sys.stdout)
        return status
    if args.command == "check":
        return run_check(args)
    if args.command == "report":
        return report_command.run(args)
    statement = load(args.file, args.strict)
    if args.command == "json":
        json.dump(statement_dict(statement), sys.stdout, ensure_ascii=False, indent=args.indent)
        sys.stdout.write("\n")
        return 0
    if args.output:
        with open(args.output, "w", encoding="utf-8-sig" if args.excel else "utf-8", newline="") as f:
            write_csv(statement, f, args.excel)
    else:
        buffer = io.StringIO(newline="")
        write_csv(statement, buffer, args.excel)
        data = buffer.getvalue().encode("utf-8-sig" if args.excel else "utf-8")
        sys.stdout.flush()
        sys.stdout.buffer.write(data)
    return 0


def main(argv: Sequence[str] | None = None) -> int:
    args = arguments().parse_args(argv)
    try:
        return run(args)
    except Failure:
        return 1
    except BrokenPipeError:
        return 1
