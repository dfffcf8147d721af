"""velmora.report: a statement as one self-contained, offline HTML page with
its balances over time, money in and out, documents, warnings and check
findings. See docs/report.md."""

import os
from collections.abc import Iterable

import velmora_py

from velmora.reader import read
from velmora.report.html import page_html
from velmora.report.labels import texts
from velmora.report.model import statement_figures

Source = str | os.PathLike[str] | bytes | velmora_py.Statement

__all__ = ["report"]


def _load(source: str | os.PathLike[str] | bytes) -> velmora_py.Statement:
    """Every statement the report reads comes through here, as a file name
    or the file's bytes: velmora.read, so DOS-encoded files read too."""
    return read(source)


def labelled(sources: Iterable[Source]) -> list[tuple[str, velmora_py.Statement]]:
    out = []
    for number, source in enumerate(sources, start=1):
        if isinstance(source, velmora_py.Statement):
            out.append((f"#{number}", source))
        elif isinstance(source, (bytes, str, os.PathLike)):
            label = f"#{number}" if isinstance(source, bytes) else os.fspath(source)
            out.append((label, _load(source)))
        else:
            raise TypeError(f"report() sources are paths, bytes or velmora_py.Statement objects, "
                            f"not {type(source).__name__}")
    return out


def render(statements: Iterable[tuple[str, velmora_py.Statement]], lang: str = "ru") -> str:
    """The page for statements already read, each with the label it is shown
    under."""
    words = texts(lang)
    return page_html([statement_figures(label, st) for label, st in statements], lang, words)


def report(sources: Source | Iterable[Source], *, lang: str = "ru") -> str:
    """The HTML report of one or more statements, as a string.

    sources: a path, bytes, a velmora_py.Statement, or an iterable of these.
    lang: "ru" (default) or "en" for the labels; amounts are always written
    the Russian way ("1 234 567,89", no-break spaces).
    Raises velmora_py.ParseError when a source does not parse, OSError when
    a file cannot be read, ValueError for an unknown language."""
    texts(lang)
    if isinstance(sources, (str, bytes, os.PathLike, velmora_py.Statement)):
        sources = [sources]
    return render(labelled(sources), lang)
