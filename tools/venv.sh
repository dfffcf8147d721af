#!/usr/bin/env bash
# Creates (or reuses) .venv from a CPython 3.13+ interpreter with the build
# and test tools the project uses. Pass --free-threaded for .venv-ft on a
# free-threaded interpreter.
set -euo pipefail
cd "$(dirname "$0")/.."
flag=()
venv=".venv"
if [ "${1:-}" = "--free-threaded" ]; then flag=(--free-threaded); venv=".venv-ft"; fi
python="$(tools/python.sh "${flag[@]}")"
if [ ! -x "$venv/bin/python" ] || ! "$venv/bin/python" -c 'import sys; sys.exit(sys.version_info < (3, 13))' 2>/dev/null; then
  rm -rf "$venv"
  "$python" -m venv "$venv"
fi
if ! "$venv/bin/python" -c 'import pytest, hypothesis, scikit_build_core, mypy' 2>/dev/null; then
  "$venv/bin/python" -m pip install -q --upgrade pip 2>&1 | grep -v "^WARNING: Location" || true
  "$venv/bin/python" -m pip install -q "scikit-build-core>=0.10" "pytest>=8" "hypothesis>=6" "mypy>=1.13" 2>&1 | grep -v "^WARNING: Location" || true
fi
"$venv/bin/python" -c 'import pytest, hypothesis, scikit_build_core, mypy'
