#!/usr/bin/env bash
# Install what a build or a test run needs, each piece only when missing.
#   scripts/ensure-deps.sh build   compiler-side libraries (GMP, CLP)
#   scripts/ensure-deps.sh test    the above, GoogleTest and the Python test packages
#   scripts/ensure-deps.sh bench   the above and the peer solvers the benchmarks compare with
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-build}
PY=${PYTHON:-python3}

apt_packages=(libgmp-dev coinor-libclp-dev)
case "$mode" in
  test) apt_packages+=(libgtest-dev) ;;
  bench) apt_packages+=(libgtest-dev glpk-utils qsopt-ex coinor-cbc minisat) ;;
esac

missing=()
for pkg in "${apt_packages[@]}"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The build backend and its tools (normally preinstalled; cheap to check).
"$PY" -c "import scikit_build_core, ninja, cmake" 2>/dev/null \
  || "$PY" -m pip install -q --root-user-action=ignore scikit-build-core ninja cmake

if [ "$mode" = test ] || [ "$mode" = bench ]; then
  "$PY" -m pip install -q --root-user-action=ignore -r requirements/test.txt
fi
if [ "$mode" = bench ]; then
  "$PY" -m pip install -q --root-user-action=ignore -r requirements/bench.txt
fi
