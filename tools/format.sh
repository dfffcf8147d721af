#!/usr/bin/env bash
# Formats the C++ sources with the pinned clang-format (.clang-format holds
# the style); with --check, changes nothing and fails when a file is not
# formatted, printing the difference. Generated tables (*.inc) are left as
# their generators write them.
set -euo pipefail
cd "$(dirname "$0")/.."
version=19.1.7
check=0
case "${1:-}" in
  "") ;;
  --check) check=1 ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac

tools/venv.sh
formatter=".venv/bin/clang-format"
if ! "$formatter" --version 2>/dev/null | grep -q "version $version"; then
  echo "format.sh: installing clang-format $version into .venv" >&2
  .venv/bin/python -m pip install -q "clang-format==$version"
fi

mapfile -t files < <(git ls-files '*.cpp' '*.hpp' '*.h')
if [ "$check" = 1 ]; then
  status=0
  for f in "${files[@]}"; do
    if ! "$formatter" --style=file "$f" | diff -u --label "$f" --label "$f (formatted)" "$f" - ; then
      status=1
    fi
  done
  if [ "$status" = 1 ]; then
    echo "format.sh: the files above are not formatted; run 'make format'" >&2
  fi
  exit "$status"
fi
"$formatter" --style=file -i "${files[@]}"
