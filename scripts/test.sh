#!/usr/bin/env bash
# Every test: the C++ unit tests (CTest) and the Python tests against the
# installed module, plus the C++ tests again under sanitizers
# (MIVEX_SKIP_SANITIZE=1 skips that pass). Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
PY=${PYTHON:-python3}
scripts/ensure-deps.sh test

cmake -S . -B build/tests -G Ninja -DMIVEX_TESTS=ON -DPython_EXECUTABLE="$(command -v "$PY")"
cmake --build build/tests
ctest --test-dir build/tests --output-on-failure

# The same C++ tests under AddressSanitizer and UndefinedBehaviorSanitizer:
# an out-of-bounds access or a signed overflow fails the run.
if [ "${MIVEX_SKIP_SANITIZE:-0}" != 1 ]; then
  cmake -S . -B build/sanitize -G Ninja -DMIVEX_TESTS=ON -DMIVEX_PYTHON=OFF -DMIVEX_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build/sanitize
  ctest --test-dir build/sanitize --output-on-failure
fi

"$PY" -m pip install -q --root-user-action=ignore --no-build-isolation .
MIVEX_TESTHOOK_DIR="$PWD/build/tests" "$PY" -m pytest -q tests/python "$@"
