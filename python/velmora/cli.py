"""velmora show|json|csv|convert|check|orders|parquet|report: look at, convert
and check bank statements, write payment orders, export tables and reports.

Exit codes: 0 on success, 1 when a statement does not parse (or, with
--strict, has warnings) or the output cannot be written and, for check, when
anything is found, 2 on usage errors.
"""

import argparse
import csv
import decimal
import io
import json
import os
import sys
from collections.abc import Callable, Sequence
from typing import BinaryIO, TextIO

import velmora_py

from velmora import check_report, cli_tables
from velmora.checks import check
from velmora.orders import write_orders
from velmora.reader import read
from velmora.records import DOCUMENT_ATTRIBUTES, statement_dict
from velmora.writer import ENCODINGS, WriteError, write
from velmora.report import command as report_command


class Failure(Exception):
    """A statement that could not be read or parsed; already reported."""


class OutputError(Exception):
    """The output could not be written; the message names where and why."""


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
        statement = read(data)  # DOS files too
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
    """Incoming and outgoing sums per account, where a document names it.

    A transfer between two sides of the same account counts both ways.
    """
    totals = {}
    for number in statement.accounts:
        incoming = outgoing = decimal.Decimal(0)
        for doc in statement.documents:
            if doc.payee_account == number:
                incoming += decimal.Decimal(doc.amount)
            if doc.counterparty_account == number:
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
    p = commands.add_parser("csv", help="one row per document, all attributes "
                            "(with several files, the source first)")
    p.add_argument("files", nargs="+", metavar="FILE|DIR")
    p.add_argument("-o", "--output", metavar="FILE", help="write here instead of standard output")
    p.add_argument("--excel", action="store_true", help="UTF-8 with a byte order mark and ; separators")
    add_convert_arguments(commands)
    cli_tables.add_parquet_command(commands)
    add_check_command(commands)
    add_orders_command(commands)
    report_command.add_command(commands)
    for sub in commands.choices.values():
        sub.add_argument("--strict", action="store_true", default=argparse.SUPPRESS,
                         help="treat warnings as errors (exit 1)")
    return parser


# --- convert: read a statement in any encoding, write it in another -----------

NEWLINE_NAMES = {"crlf": "\r\n", "lf": "\n"}


def add_convert_arguments(commands: "argparse._SubParsersAction[argparse.ArgumentParser]") -> None:
    p = commands.add_parser("convert", help="re-encode or normalise a statement")
    p.add_argument("file", metavar="FILE", help="statement file, or - for standard input")
    p.add_argument("--encoding", required=True, choices=ENCODINGS, help="encoding of the output")
    p.add_argument("--newline", choices=sorted(NEWLINE_NAMES), default="crlf",
                   help="line end of the output (default: crlf)")
    p.add_argument("-o", "--output", metavar="OUT", help="write here instead of standard output")


def emit(data: bytes, output: str | None) -> int:
    """Writes a finished file to `output`, or to standard output without one."""
    if output:
        try:
            with open(output, "wb") as f:
                f.write(data)
        except OSError as error:
            print(f"{output}: {error.strerror or error}", file=sys.stderr)
            return 1
    else:
        sys.stdout.flush()
        write_all(sys.stdout.buffer, data)
    return 0


def convert(args: argparse.Namespace) -> int:
    """Reads, then writes; the output file is created only once the whole
    statement has been written without a problem."""
    statement = load(args.file, args.strict)
    label = "<stdin>" if args.file == "-" else args.file
    try:
        data = write(statement, encoding=args.encoding, newline=NEWLINE_NAMES[args.newline])
    except WriteError as error:
        for where, key, message in error.problems:
            print(f"{label}: {where}: {key + ': ' if key else ''}{message}", file=sys.stderr)
        return 1
    return emit(data, args.output)


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


# --- velmora orders -------------------------------------------------------------

def add_orders_command(commands: "argparse._SubParsersAction[argparse.ArgumentParser]") -> None:
    p = commands.add_parser("orders", help="write a payment-order file from a CSV of orders")
    p.add_argument("file", metavar="ORDERS.csv",
                   help="one order per row under a header row of attribute names, as velmora csv writes them")
    p.add_argument("--account", required=True, help="the payer's account number")
    p.add_argument("--encoding", choices=ENCODINGS, default="cp1251", help="encoding of the output (default: cp1251)")
    p.add_argument("--sender", default="", help="the header's Отправитель")
    p.add_argument("--receiver", default="", help="the header's Получатель")
    p.add_argument("-o", "--output", metavar="FILE", help="write here instead of standard output")


def csv_orders(text: str) -> tuple[list[dict[str, str]], list[int], list[str]]:
    """The rows of an orders CSV as mappings (empty cells left out, so that
    they take PaymentOrder's defaults), the line each row starts on, and
    the problems of its shape. A byte order mark or a header row with ";"
    marks the --excel form."""
    text = text.removeprefix("\ufeff")
    first_line = text.split("\n", 1)[0]
    delimiter = ";" if ";" in first_line else ","
    reader = csv.reader(io.StringIO(text, newline=""), delimiter=delimiter)
    header = next(reader, None)
    problems = []
    if not header:
        return [], [], ["1: the header row of attribute names is missing"]
    for name in header:
        if name not in DOCUMENT_ATTRIBUTES:
            problems.append(f"1: {name}: not an attribute of a payment order")
    rows, lines = [], []
    start = reader.line_num + 1
    for cells in reader:
        if any(cells):
            if len(cells) > len(header):
                problems.append(f"{start}: the row has {len(cells)} cells, the header {len(header)}")
            rows.append({name: cell for name, cell in zip(header, cells) if cell and name in DOCUMENT_ATTRIBUTES})
            lines.append(start)
        start = reader.line_num + 1
    return rows, lines, problems


def run_orders(args: argparse.Namespace) -> int:
    """Reads the CSV, writes the file; on any problem prints every one, and
    creates (or truncates) no output file."""
    label = args.file
    try:
        with open(args.file, "rb") as f:
            text = f.read().decode("utf-8")
    except OSError as error:
        print(f"{label}: {error.strerror or error}", file=sys.stderr)
        return 1
    except UnicodeDecodeError as error:
        print(f"{label}: not UTF-8 text ({error.reason} at byte {error.start})", file=sys.stderr)
        return 1
    rows, lines, shape = csv_orders(text)
    for problem in shape:
        print(f"{label}:{problem}", file=sys.stderr)
    if shape:
        return 1
    try:
        data = write_orders(rows, account=args.account, encoding=args.encoding,
                            sender=args.sender, receiver=args.receiver)
    except WriteError as error:
        for order, attribute, message in error.problems:
            where = f"{label}:{lines[order]}" if isinstance(order, int) else label
            print(f"{where}: {attribute}: {message}", file=sys.stderr)
        return 1
    except (TypeError, ValueError) as error:
        print(f"{label}: {error}", file=sys.stderr)
        return 1
    return emit(data, args.output)


def run(args: argparse.Namespace) -> int:
    if args.command == "convert":
        return convert(args)
    if args.command == "orders":
        return run_orders(args)
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
    if args.command == "parquet":
        return cli_tables.run_parquet(args)
    if args.command == "csv":
        return run_csv(args)
    if args.command == "check":
        return run_check(args)
    if args.command == "report":
        return report_command.run(args)
    statement = load(args.file, args.strict)
    json.dump(statement_dict(statement), sys.stdout, ensure_ascii=False, indent=args.indent)
    sys.stdout.write("\n")
    return 0


def run_csv(args: argparse.Namespace) -> int:
    paths = cli_tables.expand_paths(args.files)
    if len(paths) == 1 and paths == args.files:
        statement = load(paths[0], args.strict)
        emit_csv(args, lambda out: write_csv(statement, out, args.excel))
        return 0
    # Several statements: the ones that parse are written, the others reported.
    status, named = 0, []
    for path in paths:
        try:
            named.append(("<stdin>" if path == "-" else path, load(path, args.strict)))
        except Failure:
            status = 1
    emit_csv(args, lambda out: cli_tables.write_documents_csv(named, out, args.excel))
    return status


def emit_csv(args: argparse.Namespace, write: "Callable[[TextIO], None]") -> None:
    if args.output:
        write_csv_file(args.output, args.excel, write)
    else:
        buffer = io.StringIO(newline="")
        write(buffer)
        data = buffer.getvalue().encode("utf-8-sig" if args.excel else "utf-8")
        sys.stdout.flush()
        write_all(sys.stdout.buffer, data)


def write_all(out: BinaryIO, data: bytes) -> None:
    # A buffered write into a pipe that its reader has closed may report a
    # short count instead of raising; the next write raises BrokenPipeError.
    view = memoryview(data)
    while view:
        view = view[out.write(view) :]


def write_csv_file(path: str, excel: bool, write: "Callable[[TextIO], None]") -> None:
    try:
        with open(path, "w", encoding="utf-8-sig" if excel else "utf-8", newline="") as f:
            write(f)
    except OSError as error:
        raise OutputError(f"{path}: {error.strerror or error}") from None


def encoding_failure(error: UnicodeEncodeError) -> str:
    char = error.object[error.start : error.start + 1]
    message = f"<stdout>: cannot write {char!r} in the encoding {error.encoding}"
    if error.encoding.replace("-", "").replace("_", "").lower() != "utf8":
        message += "; set PYTHONIOENCODING=utf-8"
    return message


def silence_stdout() -> None:
    """Points standard output at /dev/null, so that the interpreter's own
    flush at exit does not fail again on a closed pipe."""
    try:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        os.close(devnull)
    except (OSError, ValueError):
        pass


def main(argv: Sequence[str] | None = None) -> int:
    """Runs one command. Every output error ends the run with one line on
    standard error and status 1; a closed pipe ends it quietly with 1."""
    args = arguments().parse_args(argv)
    try:
        status = run(args)
        # What is still buffered is written here, where its failure is seen.
        sys.stdout.flush()
        return status
    except Failure:
        return 1
    except BrokenPipeError:
        silence_stdout()
        return 1
    except OutputError as error:
        message = str(error)
    except UnicodeEncodeError as error:
        message = encoding_failure(error)
    except OSError as error:
        message = f"<stdout>: {error.strerror or error}"
    # What was written before the failure stays, where it still can.
    try:
        sys.stdout.flush()
    except (OSError, ValueError):
        pass
    print(message, file=sys.stderr)
    silence_stdout()
    return 1
