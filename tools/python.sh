#!/usr/bin/env bash
# Prints the path of a CPython 3.13+ interpreter that has its development
# headers, providing one when the machine has none:
#   1. an interpreter already on the machine (PATH, then pyenv versions);
#   2. Debian's python3.13-dev, when apt has a candidate for it;
#   3. CPython 3.13 built from Debian's source package into a cache folder
#      outside the checkout, reused by later runs.
# With --free-threaded the same search looks for a free-threaded (python3.13t)
# interpreter and builds one with --disable-gil; with --debug it looks for a
# debug build (python3.13d, reference counts and allocator checks) and builds
# one with --with-pydebug. Each flavour has its own cache prefix.
# Progress goes to stderr; stdout carries only the interpreter path.
set -euo pipefail

free_threaded=0
debug=0
for arg in "$@"; do
  case "$arg" in
    --free-threaded) free_threaded=1 ;;
    --debug) debug=1 ;;
    *) echo "usage: $0 [--free-threaded | --debug]" >&2; exit 2 ;;
  esac
done
if [ "$free_threaded" = 1 ] && [ "$debug" = 1 ]; then
  echo "$0: --free-threaded and --debug are separate flavours; pass one" >&2
  exit 2
fi

cache_root="${VELMORA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/velmora}"
if [ "$free_threaded" = 1 ]; then
  prefix="$cache_root/cpython-3.13t"
  names=(python3.14t python3.13t)
elif [ "$debug" = 1 ]; then
  prefix="$cache_root/cpython-3.13d"
  names=(python3.14d python3.13d)
else
  prefix="$cache_root/cpython-3.13"
  names=(python3.14 python3.13 python3)
fi

log() { echo "python.sh: $*" >&2; }

# An interpreter qualifies when it runs, is 3.13 or newer, has Python.h and
# matches the wanted GIL and debug flavour.
qualifies() {
  "$1" - "$free_threaded" "$debug" >/dev/null 2>&1 <<'PY'
import os, sys, sysconfig
want_ft = sys.argv[1] == "1"
want_debug = sys.argv[2] == "1"
ft = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))
dbg = bool(sysconfig.get_config_var("Py_DEBUG"))
inc = sysconfig.get_paths()["include"]
ok = (sys.version_info >= (3, 13) and ft == want_ft and dbg == want_debug
      and os.path.exists(os.path.join(inc, "Python.h")))
sys.exit(0 if ok else 1)
PY
}

resolve() { "$1" -c 'import sys; print(sys.executable)'; }

try_candidates() {
  local c
  for c in "$@"; do
    if [ -x "$c" ] || command -v "$c" >/dev/null 2>&1; then
      if qualifies "$c"; then resolve "$c"; return 0; fi
    fi
  done
  return 1
}

find_existing() {
  local cands=("$prefix/bin/${names[0]}" "$prefix/bin/${names[1]}")
  cands+=("${names[@]}")
  if command -v pyenv >/dev/null 2>&1; then
    local root; root="$(pyenv root 2>/dev/null || true)"
    local d
    for d in "$root"/versions/3.1[3-9]*; do
      [ -d "$d" ] || continue
      cands+=("$d/bin/${names[0]}" "$d/bin/${names[1]}")
    done
  fi
  try_candidates "${cands[@]}"
}

apt_updated=0
apt_update_once() {
  if [ "$apt_updated" = 0 ]; then
    apt-get update -qq >&2 || true
    apt_updated=1
  fi
}

try_apt_package() {
  [ "$free_threaded" = 0 ] && [ "$debug" = 0 ] || return 1
  command -v apt-get >/dev/null 2>&1 || return 1
  apt_update_once
  local cand
  cand="$(apt-cache policy python3.13-dev 2>/dev/null | awk '/Candidate:/ {print $2}')"
  if [ -n "$cand" ] && [ "$cand" != "(none)" ]; then
    log "installing python3.13-dev $cand with apt-get"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq python3.13-dev python3.13-venv >&2
    try_candidates python3.13
    return $?
  fi
  return 1
}

# The first archive URI of the machine's own apt sources, so that no host
# name has to be written into the project.
archive_uri() {
  local f uri=""
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    uri="$(awk '/^URIs:/ {print $2; exit}' "$f")"
    [ -n "$uri" ] && break
  done
  if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
    uri="$(awk '$1 == "deb" {for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) {print $i; exit}}' /etc/apt/sources.list)"
  fi
  # Security mirrors do not carry the main archive's source packages.
  case "$uri" in *-security*) uri="${uri%-security}" ;; esac
  [ -n "$uri" ] && echo "$uri"
}

build_from_source() {
  command -v apt-get >/dev/null 2>&1 || { log "no apt-get: cannot fetch CPython sources"; return 1; }
  local uri; uri="$(archive_uri)" || { log "no apt source found"; return 1; }
  local work; work="$(mktemp -d)"
  trap 'rm -rf "$work"' RETURN
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/src"
  echo "deb-src [trusted=yes] $uri trixie main" >"$work/sources.list"
  local aptopts=(-o "Dir::Etc::sourcelist=$work/sources.list" -o Dir::Etc::sourceparts=/dev/null
    -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache"
    -o Acquire::AllowInsecureRepositories=true -o APT::Sandbox::User=root)
  log "fetching the python3.13 source package"
  apt-get "${aptopts[@]}" update -qq >&2
  (cd "$work/src" && apt-get "${aptopts[@]}" source --download-only python3.13 >&2)
  local tarball; tarball="$(ls "$work"/src/*.orig.tar.xz | head -n1)"
  tar -xJf "$tarball" -C "$work/src"
  local srcdir; srcdir="$(find "$work/src" -mindepth 1 -maxdepth 1 -type d -name 'Python-*' | head -n1)"
  [ -n "$srcdir" ] || srcdir="$(find "$work/src" -mindepth 1 -maxdepth 1 -type d | head -n1)"
  local conf=(--prefix="$prefix" --with-ensurepip=install)
  [ "$free_threaded" = 1 ] && conf+=(--disable-gil)
  [ "$debug" = 1 ] && conf+=(--with-pydebug)
  log "building CPython in $prefix (a few minutes)"
  (cd "$srcdir" && ./configure "${conf[@]}" >&2 && make -j"$(nproc)" >&2 && make install >&2)
  try_candidates "$prefix/bin/${names[0]}" "$prefix/bin/${names[1]}"
}

ensure_build_deps() {
  command -v apt-get >/dev/null 2>&1 || return 0
  local missing=()
  local p
  for p in build-essential libssl-dev zlib1g-dev libffi-dev libbz2-dev liblzma-dev libsqlite3-dev libreadline-dev xz-utils dpkg-dev; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    apt_update_once
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >&2
  fi
}

if find_existing; then exit 0; fi
if try_apt_package; then exit 0; fi
ensure_build_deps
if build_from_source; then exit 0; fi
log "could not provide CPython 3.13"
exit 1
