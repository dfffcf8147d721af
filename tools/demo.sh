#!/usr/bin/env bash
# Builds and installs the package into the project's virtual environment,
# then shows what the bundled example statements hold.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/venv.sh
.venv/bin/python -m pip install -q --no-build-isolation . 2>&1 | grep -v "^WARNING: Location" || true
if [ "$#" -eq 0 ]; then set -- examples/*.txt; fi
exec .venv/bin/velmora show "$@"
