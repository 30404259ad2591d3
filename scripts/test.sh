#!/usr/bin/env bash
# Every test: the C++ unit tests (CTest) and the Python tests against the
# installed module. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
PY=${PYTHON:-python3}
scripts/ensure-deps.sh test

cmake -S . -B build/tests -G Ninja -DMIVEX_TESTS=ON -DPython_EXECUTABLE="$(command -v "$PY")"
cmake --build build/tests
ctest --test-dir build/tests --output-on-failure

"$PY" -m pip install -q --root-user-action=ignore --no-build-isolation .
MIVEX_TESTHOOK_DIR="$PWD/build/tests" "$PY" -m pytest -q tests/python "$@"
