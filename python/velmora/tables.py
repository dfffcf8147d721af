"""Statements as Arrow tables: read_tables() and the Tables it returns.

Every table implements the Arrow PyCapsule interface, so pyarrow, polars,
DuckDB and any other Arrow consumer read it without a copy and without
velmora importing any of them. The native module builds the columns with
the interpreter lock released; files are parsed on a thread pool.
"""

from __future__ import annotations

import concurrent.futures
import functools
import os
import sys
from collections.abc import Callable, Iterable, Iterator
from typing import IO, Any, Union

from velmora import _native

__all__ = ["Table", "Tables", "read_tables", "TABLE_NAMES"]

TABLE_NAMES: tuple[str, ...] = tuple(_native.TABLE_NAMES)

MAGIC = b"1CClientBankExchange"
UTF8_BOM = b"\xef\xbb\xbf"

Source = Union[str, "os.PathLike[str]", bytes, bytearray, memoryview, IO[bytes]]

# A failure of one source: (error class name, message, line or None).
Failure = tuple[str, str, "int | None"]


def _require(module: str, extra: str) -> Any:
    try:
        return __import__(module)
    except ImportError as error:
        raise ImportError(
            f"{module} is needed for this; install it with: pip install 'velmora[{extra}]'"
        ) from error


class Table:
    """One table of statements: a schema and its rows, one batch per source."""

    __slots__ = ("_native", "_name")

    def __init__(self, native: Any, name: str) -> None:
        self._native = native
        self._name = name

    @property
    def name(self) -> str:
        return self._name

    @property
    def num_rows(self) -> int:
        return int(self._native.num_rows)

    @property
    def column_names(self) -> tuple[str, ...]:
        return tuple(self._native.column_names)

    def __len__(self) -> int:
        return self.num_rows

    def __repr__(self) -> str:
        return f"<velmora.Table {self._name}: {self.num_rows} rows, {len(self.column_names)} columns>"

    def __arrow_c_schema__(self) -> Any:
        return self._native.__arrow_c_schema__()

    def __arrow_c_stream__(self, requested_schema: Any = None) -> Any:
        return self._native.__arrow_c_stream__(requested_schema)

    def to_pyarrow(self) -> Any:
        """A pyarrow.Table sharing this table's buffers."""
        pa = _require("pyarrow", "arrow")
        return pa.table(self)

    def to_pandas(self) -> Any:
        """A pandas.DataFrame (through pyarrow: dates as datetime.date, amounts as decimal.Decimal)."""
        _require("pandas", "pandas")
        pa = _require("pyarrow", "pandas")
        return pa.table(self).to_pandas()

    def to_polars(self) -> Any:
        """A polars.DataFrame."""
        pl = _require("polars", "polars")
        return pl.DataFrame(self)


class Tables:
    """The five tables of read_tables(): documents, intervals, header, warnings, errors."""

    __slots__ = TABLE_NAMES

    documents: Table
    intervals: Table
    header: Table
    warnings: Table
    errors: Table

    def __init__(self, natives: Iterable[Any]) -> None:
        for name, native in zip(TABLE_NAMES, natives, strict=True):
            object.__setattr__(self, name, Table(native, name))

    def __setattr__(self, name: str, value: Any) -> None:
        raise AttributeError("Tables is read-only")

    def __getitem__(self, name: str) -> Table:
        if name not in TABLE_NAMES:
            raise KeyError(name)
        table: Table = getattr(self, name)
        return table

    def __iter__(self) -> Iterator[Table]:
        return (getattr(self, name) for name in TABLE_NAMES)

    def __repr__(self) -> str:
        counts = ", ".join(f"{name}={getattr(self, name).num_rows}" for name in TABLE_NAMES)
        return f"<velmora.Tables {counts}>"


# --- sources ------------------------------------------------------------------

def _is_statement_file(path: str) -> bool:
    """Whether the file starts with the magic line, after an optional byte order mark."""
    try:
        with open(path, "rb") as f:
            head = f.read(len(UTF8_BOM) + len(MAGIC))
    except OSError:
        return True  # unreadable: let reading it report why, as an error row
    if head.startswith(UTF8_BOM):
        head = head[len(UTF8_BOM):]
    return head.startswith(MAGIC)


def _directory_files(root: str) -> list[str]:
    found = []
    for folder, _dirs, files in os.walk(root):
        for name in files:
            path = os.path.join(folder, name)
            if os.path.isfile(path) and _is_statement_file(path):
                found.append(path)
    return sorted(found)


def _read_path(path: str) -> bytes:
    with open(path, "rb") as f:
        return f.read()


def _read_file_object(f: Any) -> Any:
    data = f.read()
    if not isinstance(data, (bytes, bytearray, memoryview)):
        raise TypeError(f"a file object must be opened in binary mode, got {type(data).__name__} from read()")
    return data


def _same(data: Any) -> Any:
    return data


def _expand(sources: Any) -> list[tuple[str, Callable[[], Any]]]:
    """(label, loader) per statement, in the order of the sources."""
    items: list[tuple[str, Callable[[], Any]]] = []
    in_memory = 0

    def add(source: Any, top: bool) -> None:
        nonlocal in_memory
        if isinstance(source, (bytes, bytearray, memoryview)):
            items.append((f"<bytes {in_memory}>", functools.partial(_same, source)))
            in_memory += 1
        elif isinstance(source, (str, os.PathLike)):
            path = os.fspath(source)
            if not isinstance(path, str):
                path = os.fsdecode(path)
            if os.path.isdir(path):
                items.extend((p, functools.partial(_read_path, p)) for p in _directory_files(path))
            else:
                items.append((path, functools.partial(_read_path, path)))
        elif hasattr(source, "read"):
            name = getattr(source, "name", None)
            if isinstance(name, str):
                label = name
            else:
                label = f"<bytes {in_memory}>"
                in_memory += 1
            items.append((label, functools.partial(_read_file_object, source)))
        elif top and isinstance(source, Iterable):
            for item in source:
                add(item, False)
        else:
            raise TypeError(
                "sources must be a path, bytes, a binary file object or an iterable of these, "
                f"not {type(source).__name__}"
            )

    add(sources, True)
    return items


def _parse_one(loader: Callable[[], Any], parts: int = 1) -> Any:
    """One source's rows, or its failure. The native reader also recognises a
    DOS-encoded (IBM866) statement as velmora.read does and reads its text;
    anything else is read as UTF-8 or windows-1251."""
    try:
        return _native.read_file(loader(), parts)
    except (OSError, TypeError, ValueError) as error:
        message = str(error.strerror) if isinstance(error, OSError) and error.strerror else str(error)
        failure: Failure = (type(error).__name__, message, None)
        return failure


def read_tables(sources: Any, *, threads: int | None = None, progress: bool = False) -> Tables:
    """Parse statements into five Arrow tables.

    sources: a path, bytes, a binary file object, or an iterable of these. A
    directory stands for every regular file under it, recursively, that
    starts with the magic line, in sorted path order. threads: how many
    files are parsed at once (default: the number of CPUs); with fewer files
    than threads, a statement of some megabytes is read in parts on the
    spare ones. Results keep the order of the sources. progress: a progress
    bar on standard error (needs tqdm, velmora[progress]). A source that fails becomes a row of `errors`.
    """
    if threads is None:
        threads = os.cpu_count() or 1
    if isinstance(threads, bool) or not isinstance(threads, int) or threads < 1:
        raise ValueError(f"threads must be a positive integer, not {threads!r}")
    items = _expand(sources)
    bar = None
    if progress:
        tqdm = _require("tqdm", "progress")
        bar = tqdm.tqdm(total=len(items), file=sys.stderr, unit="file")
    results: list[Any] = []
    # Threads that no file of its own would keep busy read parts of one.
    parse = functools.partial(_parse_one, parts=max(1, threads // max(1, len(items))))
    try:
        if threads == 1 or len(items) <= 1:
            for _label, loader in items:
                results.append(parse(loader))
                if bar is not None:
                    bar.update(1)
        else:
            with concurrent.futures.ThreadPoolExecutor(max_workers=min(threads, len(items))) as pool:
                for result in pool.map(parse, [loader for _label, loader in items]):
                    results.append(result)
                    if bar is not None:
                        bar.update(1)
    finally:
        if bar is not None:
            bar.close()
    return Tables(_native.assemble([(label, result) for (label, _), result in zip(items, results)]))
