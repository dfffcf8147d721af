"""`velmora report FILE|DIR… -o report.html [--lang ru|en] [--open]`."""

import argparse
import os
import pathlib
import sys
import webbrowser

import velmora_py

from velmora import check_report
from velmora.report import _load, render
from velmora.report.labels import LANGUAGES


def add_command(commands: "argparse._SubParsersAction[argparse.ArgumentParser]") -> None:
    p = commands.add_parser("report", help="an HTML report: balances, money in and out, documents, findings")
    p.add_argument("paths", nargs="+", metavar="FILE|DIR",
                   help="statement file, folder of .txt statements, or - for standard input")
    p.add_argument("-o", "--output", required=True, metavar="FILE",
                   help="the HTML file to write (- for standard output)")
    p.add_argument("--lang", choices=LANGUAGES, default="ru", help="language of the labels (default ru)")
    p.add_argument("--open", action="store_true", help="open the report in the web browser")


def names(paths: list[str]) -> tuple[list[str], bool]:
    """The statement files named, folders expanded; and whether all was well."""
    found, ok = [], True
    for path in paths:
        if path != "-" and os.path.isdir(path):
            inside = list(check_report.statement_files(path))
            if not inside:
                print(f"{path}: no .txt statement files in this folder", file=sys.stderr)
                ok = False
            found += inside
        else:
            found.append(path)
    return found, ok


def read(name: str, strict: bool) -> velmora_py.Statement | None:
    """The statement, or None after reporting why there is none."""
    label = "<stdin>" if name == "-" else name
    try:
        statement = _load(sys.stdin.buffer.read() if name == "-" else name)
    except OSError as error:
        print(f"{label}: {error.strerror or error}", file=sys.stderr)
        return None
    except velmora_py.ParseError as error:
        detail = getattr(error, "detail", None)
        where = f"{label}:{detail.lineno}" if detail is not None else label
        print(f"{where}: {error}", file=sys.stderr)
        return None
    for lineno, message in statement.warnings:
        print(f"{label}:{lineno}: warning: {message}", file=sys.stderr)
    return None if strict and statement.warnings else statement


def run(args: argparse.Namespace) -> int:
    """Writes the report of every statement that could be read; exit status 1
    when some could not (the report then leaves them out), or none could
    (nothing is written)."""
    files, ok = names(args.paths)
    statements = []
    for name in files:
        statement = read(name, getattr(args, "strict", False))
        if statement is None:
            ok = False
        else:
            statements.append(("<stdin>" if name == "-" else name, statement))
    if not statements:
        return 1
    page = render(statements, args.lang)
    if args.output == "-":
        sys.stdout.write(page)
        return 0 if ok else 1
    target = pathlib.Path(args.output)
    target.write_text(page, encoding="utf-8")
    print(f"{args.output}: {len(statements)} statement{'s' if len(statements) != 1 else ''}", file=sys.stderr)
    if args.open:
        webbrowser.open(target.resolve().as_uri())
    return 0 if ok else 1
