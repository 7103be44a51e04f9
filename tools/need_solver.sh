# Sourced by the build scripts: makes sure COIN-OR Clp, the linear-program solver behind
# cut_improve's bound, is there. Installs it with apt-get where it can (as root on Debian);
# otherwise says exactly what to install and stops.
need_solver() {
  if command -v pkg-config >/dev/null && pkg-config --exists clp; then return 0; fi
  local packages="pkg-config coinor-libclp-dev"
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    echo "Installing the solver packages: $packages" >&2
    if apt-get update -qq >/dev/null &&
       DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $packages >/dev/null &&
       pkg-config --exists clp; then
      return 0
    fi
  fi
  echo "COIN-OR Clp is missing. Install it (Debian: apt-get install $packages) and run this again." >&2
  return 1
}
