"""The table commands of the command line: velmora parquet, and velmora csv
over several files and directories."""

import argparse
import csv
import importlib
import importlib.util
import os
import sys
from collections.abc import Sequence
from typing import Any, TextIO

from velmora.records import DOCUMENT_ATTRIBUTES
from velmora.tables import TABLE_NAMES, _directory_files, read_tables


def add_parquet_command(commands: "argparse._SubParsersAction[argparse.ArgumentParser]") -> None:
    p = commands.add_parser("parquet", help="the five tables of many statements as Parquet files")
    p.add_argument("paths", nargs="+", metavar="FILE|DIR", help="statement files or directories")
    p.add_argument("-o", "--output", required=True, metavar="OUT_DIR", help="folder for the .parquet files")
    p.add_argument("--threads", type=int, default=None, metavar="N",
                   help="threads to parse with: files at once, or parts of a large one (default: the CPUs)")


def expand_paths(names: list[str]) -> list[str]:
    """Files as given; a directory stands for its statement files, sorted."""
    paths: list[str] = []
    for name in names:
        paths.extend(_directory_files(name) if os.path.isdir(name) else [name])
    return paths


def report_errors(errors_table: object) -> int:
    """Prints FILE:LINE: message per failed source; the number printed."""
    pa = importlib.import_module("pyarrow")
    rows = pa.table(errors_table).to_pylist()
    for row in rows:
        where = row["source"] if row["line"] is None else f"{row['source']}:{row['line']}"
        print(f"{where}: {row['message']}", file=sys.stderr)
    return len(rows)


def run_parquet(args: argparse.Namespace) -> int:
    try:
        pq = importlib.import_module("pyarrow.parquet")
    except ImportError:
        print("velmora parquet needs pyarrow: pip install 'velmora[arrow]'", file=sys.stderr)
        return 1
    if args.threads is not None and args.threads < 1:
        print("velmora parquet: --threads must be at least 1", file=sys.stderr)
        return 2
    paths = expand_paths(args.paths)
    progress = False
    if len(paths) > 1 and sys.stderr.isatty():
        progress = importlib.util.find_spec("tqdm") is not None
    tables = read_tables(paths, threads=args.threads, progress=progress)
    os.makedirs(args.output, exist_ok=True)
    for name in TABLE_NAMES:
        pq.write_table(tables[name].to_pyarrow(), os.path.join(args.output, f"{name}.parquet"))
    return 1 if report_errors(tables.errors) else 0


def write_documents_csv(named: "Sequence[tuple[str, Any]]", out: TextIO, excel: bool) -> None:
    """One row per document of every statement, the source first."""
    writer = csv.writer(out, delimiter=";" if excel else ",", lineterminator="\r\n" if excel else "\n")
    writer.writerow(("source",) + DOCUMENT_ATTRIBUTES)
    for source, statement in named:
        for doc in statement.documents:
            writer.writerow([source] + ["" if (v := getattr(doc, name)) is None else v
                                        for name in DOCUMENT_ATTRIBUTES])
