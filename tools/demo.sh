#!/usr/bin/env bash
# Builds and installs the package into the project's virtual environment,
# then shows what the bundled example statements hold.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/lib.sh
tools/venv.sh
pip_quiet .venv/bin/python install -q --no-build-isolation .
if [ "$#" -eq 0 ]; then set -- examples/*.txt; fi
exec .venv/bin/velmora show "$@"
