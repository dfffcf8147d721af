#!/usr/bin/env bash
# Runs the whole pytest suite on the two CPython variants that find what a
# release interpreter hides: a debug build (reference counts, allocator and
# API checks) and a free-threaded build (real parallelism inside the module,
# which must also leave the GIL disabled). Each variant gets its own venv
# (tools/venv.sh), into which the package is built and installed from this
# checkout. Provisions what it needs on a fresh machine; pass variant names
# (debug, free-threaded) to run only those.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
. "$root/tools/lib.sh"

variants=("$@")
[ "${#variants[@]}" -gt 0 ] || variants=(debug free-threaded)
for variant in "${variants[@]}"; do
  case "$variant" in
    debug | free-threaded) ;;
    *) echo "usage: $0 [debug] [free-threaded]" >&2; exit 2 ;;
  esac
done

log() { echo "test_variants.sh: $*" >&2; }

# The package is built without isolation, so the venv's scikit-build-core
# uses the machine's own compiler and CMake.
need_apt=()
command -v g++ >/dev/null 2>&1 || need_apt+=(g++)
command -v cmake >/dev/null 2>&1 || need_apt+=(cmake)
if [ "${#need_apt[@]}" -gt 0 ]; then
  log "installing ${need_apt[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need_apt[@]}"
fi

export CMAKE_BUILD_PARALLEL_LEVEL="${JOBS:-$(nproc)}"
export PIP_DISABLE_PIP_VERSION_CHECK=1
# The suite must see the installed package, not a build directory, and the
# GIL check must see the interpreter's own default.
unset PYTHONPATH PYTHON_GIL

venv_of() { [ "$1" = debug ] && echo "$root/.venv-debug" || echo "$root/.venv-ft"; }

install_package() {
  local py="$1" venv="$2"
  pip_quiet "$py" install -q --no-build-isolation --no-deps --force-reinstall "$root"
  # A velmora_py found anywhere but in the venv would be tested in its place.
  "$py" - "$venv" <<'PY'
import os, sys
import velmora_py
where = os.path.realpath(velmora_py.__file__)
venv = os.path.realpath(sys.argv[1])
if not where.startswith(venv + os.sep):
    sys.exit(f"velmora_py was imported from {where}, not from {venv}")
PY
}

check_gil_stays_disabled() {
  local py="$1"
  "$py" - <<'PY'
import sys, sysconfig
if not sysconfig.get_config_var("Py_GIL_DISABLED"):
    sys.exit("not a free-threaded interpreter")
import velmora_py
text = "\n".join(["1CClientBankExchange", "СекцияРасчСчет", "ДатаНачала=01.03.2024",
                  "НачальныйОстаток=1.00", "РасчСчет=1", "КонецРасчСчет", "КонецФайла"])
velmora_py.parse(text)
velmora_py.parse(text, hooks=[lambda section_type, attrs, header: None])
if sys._is_gil_enabled():
    sys.exit("importing velmora_py enabled the GIL")
PY
}

# The allocation-failure tests are left out on the free-threaded build:
# there CPython 3.13's own PyList_New, when its item array cannot be
# allocated, releases the new list with an uninitialised item pointer and
# corrupts the heap (the release build initialises it first).
free_threaded_skips=(-k "not memory_exhaustion")

run_suite() {
  local py="$1" rc=0
  shift
  (cd "$root" && "$py" -m pytest -q -p no:cacheprovider "$@" tests/python) || rc=$?
  # pytest exits 5 when it collected no tests; that is a failure of the suite.
  if [ "$rc" -eq 5 ]; then log "pytest collected no tests"; rc=1; fi
  return "$rc"
}

run_variant() {
  local variant="$1" venv py
  venv="$(venv_of "$variant")"
  py="$venv/bin/python"
  log "== $variant: venv, build and install"
  "$root/tools/venv.sh" "--$variant"
  install_package "$py" "$venv"
  if [ "$variant" = free-threaded ]; then
    log "== $variant: the module leaves the GIL disabled"
    check_gil_stays_disabled "$py"
  fi
  log "== $variant: pytest"
  if [ "$variant" = free-threaded ]; then
    run_suite "$py" "${free_threaded_skips[@]}"
  else
    run_suite "$py"
  fi
}

# Every variant runs even when an earlier one failed, so one run reports all.
# (errexit is off inside an `if` condition, so the status is taken after a
# plain subshell that turns it back on.)
failed=()
for variant in "${variants[@]}"; do
  set +e
  (
    set -e
    run_variant "$variant"
  )
  rc=$?
  set -e
  if [ "$rc" -ne 0 ]; then
    log "$variant: FAILED"
    failed+=("$variant")
  fi
done
if [ "${#failed[@]}" -gt 0 ]; then
  log "failed variants: ${failed[*]}"
  exit 1
fi
log "all variants passed: ${variants[*]}"
