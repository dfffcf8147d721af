#!/usr/bin/env bash
# Builds and installs the module into the project's virtual environment, then
# parses the bundled example statements and prints what they hold.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/venv.sh
.venv/bin/python -m pip install -q --no-build-isolation . 2>&1 | grep -v "^WARNING: Location" || true
exec .venv/bin/python tools/demo.py "$@"
