"""Runs the Python examples of README.md and docs/*.md, so that they cannot
drift from what the package does.

Each fenced ```python block of a page runs in order in one namespace, in a
folder that holds the bundled statements as `examples/`:
- a block of `>>>` lines is a doctest, and its shown output is checked;
- any other block is executed, and a `print(...)` line with a trailing
  comment must print exactly the comment's text (every time it runs);
- a block right after a `<!-- snippet: not run -->` line is left out (kept
  for signatures, which are not code).
"""

import builtins
import doctest
import importlib.util
import io
import pathlib
import re
import shutil
import sys
import tokenize

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[3]
PAGES = [ROOT / "README.md", *sorted((ROOT / "docs").glob("*.md"))]
NOT_RUN = "<!-- snippet: not run -->"
FENCE = re.compile(r"^```python\n(.*?)^```$", re.S | re.M)


def blocks(page):
    """(first line number, source, run) of each Python block of a page."""
    text = page.read_text(encoding="utf-8")
    for match in FENCE.finditer(text):
        before = text[: match.start()].rstrip("\n").rsplit("\n", 1)[-1]
        yield text.count("\n", 0, match.start()) + 2, match.group(1), before.strip() != NOT_RUN


def commented_prints(source):
    """Line number -> comment text, for each line that is one print(...) call
    with a trailing comment."""
    found = {}
    for token in tokenize.generate_tokens(io.StringIO(source).readline):
        if token.type == tokenize.COMMENT:
            code = token.line[: token.start[1]].strip()
            if code.startswith("print(") and code.endswith(")"):
                found[token.start[0]] = token.string[1:].strip()
    return found


def run_code(source, name, namespace):
    printed = {}

    def recording_print(*args, **kwargs):
        frame = sys._getframe(1)
        if frame.f_code.co_filename == name and "file" not in kwargs:
            line = io.StringIO()
            builtins.print(*args, **kwargs, file=line)
            printed.setdefault(frame.f_lineno, []).append(line.getvalue().rstrip("\n"))
        builtins.print(*args, **kwargs)

    namespace["print"] = recording_print
    try:
        exec(compile(source, name, "exec"), namespace)
    finally:
        del namespace["print"]
    for lineno, expected in commented_prints(source).items():
        assert printed.get(lineno), f"{name}, line {lineno} of the block printed nothing"
        for line in printed[lineno]:
            assert line == expected, f"{name}, line {lineno} of the block"


def run_doctest(source, name, lineno, namespace):
    test = doctest.DocTestParser().get_doctest(source, namespace, name, name, lineno - 1)
    report = io.StringIO()
    runner = doctest.DocTestRunner(optionflags=doctest.REPORT_NDIFF)
    result = runner.run(test, out=report.write, clear_globs=False)
    assert result.failed == 0, report.getvalue()


# Optional libraries a snippet may use, by what in its text uses them. An
# interpreter without one (a debug or free-threaded build may have no wheel
# for it) leaves those snippets out; the default test environment has all.
OPTIONAL = {
    "to_pandas(": "pandas",
    "to_polars(": "polars",
    "to_pyarrow(": "pyarrow",
    "import duckdb": "duckdb",
    "import pyarrow": "pyarrow",
    "import polars": "polars",
    "import pandas": "pandas",
    "velmora.dask": "dask.dataframe",
}


def missing_library(source):
    """The first optional library the snippet needs that cannot be imported."""
    for marker, module in OPTIONAL.items():
        if marker in source and importlib.util.find_spec(module.split(".")[0]) is None:
            return module
    return None


PAGES_WITH_CODE = [page for page in PAGES if any(run for _, _, run in blocks(page))]


def test_the_pages_have_snippets():
    assert {page.name for page in PAGES_WITH_CODE} >= {"README.md", "python-api.md"}


@pytest.mark.parametrize("page", PAGES_WITH_CODE, ids=lambda page: page.name)
def test_snippets_run_as_written(page, tmp_path, monkeypatch):
    shutil.copytree(ROOT / "examples", tmp_path / "examples")
    monkeypatch.chdir(tmp_path)
    namespace = {"__name__": "__snippet__"}
    for lineno, source, run in blocks(page):
        if not run:
            continue
        name = f"{page.relative_to(ROOT)}:{lineno}"
        if missing_library(source):
            continue
        if source.lstrip().startswith(">>>"):
            run_doctest(source, name, lineno, namespace)
        else:
            run_code(source, name, namespace)
