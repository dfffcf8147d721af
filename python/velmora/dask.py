"""Statements on a Dask cluster: velmora.dask.read_statements.

Each partition is a group of files, opened through fsspec (local paths,
s3:// and every other protocol fsspec knows) and parsed by the same native
path as velmora.read_tables. Needs velmora[dask].
"""

from __future__ import annotations

import importlib
from collections.abc import Sequence
from typing import Any

from velmora import _native
from velmora.tables import MAGIC, TABLE_NAMES, UTF8_BOM

__all__ = ["read_statements"]

# Every partition must have the same column types, but the scale of an
# amount column depends on the values of its table. Partitions therefore
# carry amounts as decimal256(76, 28): every amount the parser accepts (at
# most 29 digits, scale at most 28) is exact in it.
AMOUNT_TYPE_ARGS = (76, 28)


def _require(module: str) -> Any:
    try:
        return importlib.import_module(module)
    except ImportError as error:
        raise ImportError(
            f"{module} is needed for velmora.dask; install it with: pip install 'velmora[dask]'"
        ) from error


def _is_statement(fs: Any, path: str) -> bool:
    with fs.open(path, "rb") as f:
        head = f.read(len(UTF8_BOM) + len(MAGIC))
    if head.startswith(UTF8_BOM):
        head = head[len(UTF8_BOM):]
    return bool(head.startswith(MAGIC))


def _statement_paths(fs: Any, paths: Sequence[str]) -> list[str]:
    """Files as given; a directory stands for its statement files, sorted."""
    found: list[str] = []
    for path in paths:
        if fs.isdir(path):
            found.extend(sorted(p for p in fs.find(path) if _is_statement(fs, p)))
        else:
            found.append(path)
    return found


def _arrow_table(fs: Any, paths: Sequence[str], table: str) -> Any:
    """One partition's table as a pyarrow.Table, amounts widened."""
    pa = _require("pyarrow")
    items: list[Any] = []
    for path in paths:
        try:
            with fs.open(path, "rb") as f:
                data = f.read()
        except OSError as error:
            items.append((path, (type(error).__name__, str(error.strerror or error), None)))
            continue
        items.append((path, _native.read_file(data)))
    native = _native.assemble(items)[TABLE_NAMES.index(table)]
    result = pa.table(native)
    wide = pa.decimal256(*AMOUNT_TYPE_ARGS)
    fields = [f.with_type(wide) if pa.types.is_decimal(f.type) else f for f in result.schema]
    return result.cast(pa.schema(fields))


def _to_frame(table: Any) -> Any:
    pd = _require("pandas")
    return table.to_pandas(types_mapper=pd.ArrowDtype)


class _Partition:
    """Reads one group of files; picklable, so it travels to the workers."""

    def __init__(self, fs: Any, table: str) -> None:
        self.fs = fs
        self.table = table

    def __call__(self, paths: Sequence[str]) -> Any:
        return _to_frame(_arrow_table(self.fs, paths, self.table))


def read_statements(urlpath: Any, *, table: str = "documents", storage_options: dict[str, Any] | None = None,
                    files_per_partition: int = 64) -> Any:
    """A dask.dataframe.DataFrame of one of the five tables of the statements
    at urlpath (a path, URL, glob or directory, or a list of them), built with
    dask.dataframe.from_map, files_per_partition files per partition. Columns
    have pandas' Arrow-backed dtypes; amounts are decimal256(76, 28)."""
    if table not in TABLE_NAMES:
        raise ValueError(f"table must be one of {', '.join(TABLE_NAMES)}, not {table!r}")
    if isinstance(files_per_partition, bool) or not isinstance(files_per_partition, int) \
            or files_per_partition < 1:
        raise ValueError(f"files_per_partition must be a positive integer, not {files_per_partition!r}")
    dd = _require("dask.dataframe")
    fsspec_core = _require("fsspec.core")
    fs, _token, paths = fsspec_core.get_fs_token_paths(urlpath, mode="rb",
                                                        storage_options=storage_options or {})
    files = _statement_paths(fs, paths)
    groups = [files[i:i + files_per_partition] for i in range(0, len(files), files_per_partition)]
    meta = _to_frame(_arrow_table(fs, [], table))
    if not groups:
        return dd.from_pandas(meta, npartitions=1)
    return dd.from_map(_Partition(fs, table), groups, meta=meta, enforce_metadata=False)
