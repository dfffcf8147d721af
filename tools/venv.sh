#!/usr/bin/env bash
# Creates (or reuses) .venv from a CPython 3.13+ interpreter with the build
# and test tools the project uses. Pass --free-threaded for .venv-ft on a
# free-threaded interpreter, --debug for .venv-debug on a debug build.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/lib.sh
flag=()
venv=".venv"
flavour=default
case "${1:-}" in
  "") ;;
  --free-threaded) flag=(--free-threaded); venv=".venv-ft"; flavour=free-threaded ;;
  --debug) flag=(--debug); venv=".venv-debug"; flavour=debug ;;
  *) echo "usage: $0 [--free-threaded | --debug]" >&2; exit 2 ;;
esac
python="$(tools/python.sh "${flag[@]}")"
# A venv left over from another interpreter (say, a release build where a
# debug one is wanted) is made anew rather than reused.
flavour_check='
import sys, sysconfig
ft = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))
debug = bool(sysconfig.get_config_var("Py_DEBUG"))
have = "free-threaded" if ft else "debug" if debug else "default"
sys.exit(sys.version_info < (3, 13) or have != sys.argv[1])
'
if [ ! -x "$venv/bin/python" ] || ! "$venv/bin/python" -c "$flavour_check" "$flavour" 2>/dev/null; then
  rm -rf "$venv"
  "$python" -m venv "$venv"
fi
# Wheels are preferred: a newer release that exists only as source may need
# a Rust toolchain and crates that a machine cannot fetch (hypothesis has
# such releases for the free-threaded ABI).
# pip leaves files to the collector, which a debug build reports.
export PYTHONWARNINGS=ignore::ResourceWarning
pip_install() {
  pip_quiet "$venv/bin/python" install -q --prefer-binary "$@"
}
# mypy's native dependencies have no free-threaded builds, so there the
# typing checks, which skip without it, are the one thing left out.
required='import pytest, hypothesis, scikit_build_core, build'
[ "$flavour" = free-threaded ] || required+=', mypy'
# The report's browser tests drive Chromium through Selenium; they run on the
# default flavour only.
if [ "$flavour" = default ]; then required+=', selenium'; fi
if ! "$venv/bin/python" -c "$required" 2>/dev/null; then
  pip_quiet "$venv/bin/python" install -q --upgrade pip
  pip_install "scikit-build-core>=0.10" "pytest>=8" "hypothesis>=6" "build>=1"
  if [ "$flavour" = free-threaded ]; then
    "$venv/bin/python" -m pip install -q --prefer-binary "mypy>=1.13" >/dev/null 2>&1 ||
      echo "venv.sh: mypy does not install on this interpreter; the typing checks will skip" >&2
  else
    pip_install "mypy>=1.13"
  fi
  if [ "$flavour" = default ]; then pip_install "selenium>=4.20"; fi
fi
"$venv/bin/python" -c "$required"
# The libraries the table interop tests read velmora's tables with (the
# extras arrow, pandas, polars, duckdb, dask and progress). Only the default
# flavour installs them: debug and free-threaded interpreters may have no
# wheels for them, and those tests skip when a library is missing.
if [ "$flavour" = default ]; then
  interop='import pyarrow, pandas, polars, duckdb, tqdm, dask.dataframe, distributed'
  if ! "$venv/bin/python" -c "$interop" 2>/dev/null; then
    pip_install "pyarrow>=16" "pandas>=2.2" "polars>=1.0" "duckdb>=1.1" "tqdm>=4.66" \
      "dask[dataframe]>=2024.8" "distributed>=2024.8"
  fi
  "$venv/bin/python" -c "$interop"
fi
