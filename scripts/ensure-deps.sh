#!/usr/bin/env bash
# Install the system packages a build or a test run needs, each only when
# missing (Python packages go into the project's venvs, see scripts/venv.sh):
#   scripts/ensure-deps.sh build   compiler-side libraries (GMP, CLP, zlib, bzip2), venv support
#   scripts/ensure-deps.sh test    the above and GoogleTest
#   scripts/ensure-deps.sh bench   the above and the peer solvers the benchmarks compare with,
#                                  plus .venv-bench with mivex and the Python peers
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-build}
PY=${PYTHON:-python3}

# zlib and bzip2 for their static archives, which the wheel's CLP links.
apt_packages=(libgmp-dev coinor-libclp-dev zlib1g-dev libbz2-dev)
case "$mode" in
  test) apt_packages+=(libgtest-dev) ;;
  bench) apt_packages+=(libgtest-dev glpk-utils qsopt-ex coinor-cbc minisat time) ;;
esac
# Debian's own interpreter makes venvs only with python3-venv.
"$PY" -c "import ensurepip" 2>/dev/null || apt_packages+=(python3-venv)

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

if [ "$mode" = bench ]; then
  scripts/venv.sh .venv-bench "$PY" -r requirements/test.txt -r requirements/bench.txt .
fi
