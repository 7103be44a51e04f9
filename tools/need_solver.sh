# Sourced by the build scripts: makes sure what the build and the tests need is there, and
# installs it with apt-get where it can (as root on Debian); otherwise says exactly what to
# install and stops.

# need_packages WHAT CHECK PACKAGES...: runs CHECK; when it fails, installs PACKAGES and runs it
# again.
need_packages() {
  local what=$1 check=$2
  shift 2
  if eval "$check" >/dev/null 2>&1; then return 0; fi
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    echo "Installing $what: $*" >&2
    if apt-get update -qq >/dev/null &&
       DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >/dev/null &&
       eval "$check" >/dev/null 2>&1; then
      return 0
    fi
  fi
  echo "$what is missing. Install it (Debian: apt-get install $*) and run this again." >&2
  return 1
}

# COIN-OR Clp, the linear-program solver behind cut_improve's bound.
need_solver() {
  need_packages "COIN-OR Clp" "command -v pkg-config && pkg-config --exists clp" \
    pkg-config coinor-libclp-dev
}

# FASTLINK's unknown and mlink, which the tests run on the LINKAGE files written; the programs
# never call them.
need_fastlink() {
  need_packages "FASTLINK" "command -v unknown && command -v mlink" fastlink
}
