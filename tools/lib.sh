# Shell helpers the scripts in tools/ share; sourced, not run:
#   . "$(dirname "$0")/lib.sh"

# Runs pip with PYTHON, dropping the location warnings that --no-build-isolation
# builds print, and returns pip's own exit status (the filter's status is not
# the pipeline's, so a failing install stops a `set -e` script):
#   pip_quiet PYTHON install -q ...
pip_quiet() {
  local py="$1"
  shift
  "$py" -m pip "$@" 2>&1 | { grep -v "^WARNING: Location" || true; }
  return "${PIPESTATUS[0]}"
}

# Installs Debian packages with apt-get, saying so first. Where apt-get is
# missing or fails, says what to install by hand and exits 1:
#   apt_install SCRIPT "WHAT, BY HAND" PACKAGE...
apt_install() {
  local script="$1" by_hand="$2"
  shift 2
  if ! command -v apt-get >/dev/null 2>&1; then
    echo "$script: $* missing, and there is no apt-get to install them; install by hand: $by_hand" >&2
    exit 1
  fi
  echo "$script: $* missing; installing with apt-get" >&2
  if ! { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@"; }; then
    echo "$script: apt-get could not install $* (root is needed); install by hand: $by_hand" >&2
    exit 1
  fi
}
