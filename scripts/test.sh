#!/usr/bin/env bash
# Every test: the C++ tests (CTest, plain and under sanitizers), then the
# Python tests against the wheel users get, under each CPython from 3.10 to
# 3.13 (one stable-ABI wheel, installed into .venv-3.X). Nothing may be
# missing: the corpus, a peer solver, an interpreter or the test-only
# extension absent is a failure that says what to provide.
#   MIVEX_CORPUS=DIR          the shared corpus (default ../shared/corpus)
#   MIVEX_PYTHONS="3.12 3.13" the interpreters to test under (default all four)
#   MIVEX_SKIP_SANITIZE=1     skip the sanitizer pass
#   further arguments go to pytest
set -euo pipefail
cd "$(dirname "$0")/.."
export MIVEX_REQUIRE_ALL=1
# Two compile jobs: the machines this runs on have two cores.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
export MIVEX_CORPUS=${MIVEX_CORPUS:-$(cd .. && pwd)/shared/corpus}
read -r -a versions <<<"${MIVEX_PYTHONS:-3.10 3.11 3.12 3.13}"

# What cannot be installed from here is checked first.
if [ ! -f "$MIVEX_CORPUS/index.csv" ]; then
  echo "missing the shared corpus: no index.csv in $MIVEX_CORPUS (set MIVEX_CORPUS to its folder)" >&2
  exit 1
fi
mapfile -t pythons < <(scripts/pythons.sh "${versions[@]}")
[ ${#pythons[@]} -eq ${#versions[@]} ] || exit 1

export PYTHON=${pythons[0]}
scripts/ensure-deps.sh test

cmake -S . -B build/tests -G Ninja -DMIVEX_TESTS=ON -DMIVEX_PYTHON=OFF -DPython_EXECUTABLE="$PYTHON"
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

wheel=$(scripts/wheel.sh build/dist | tail -n 1)
export MIVEX_TESTHOOK_DIR="$PWD/build/tests"
for i in "${!versions[@]}"; do
  env=.venv-${versions[$i]}
  echo "== Python ${versions[$i]} (${pythons[$i]})"
  scripts/venv.sh "$env" "${pythons[$i]}" -r requirements/test.txt
  "$env/bin/python" -m pip install -q --force-reinstall --no-deps "$wheel"
  if [ "$i" -eq 0 ]; then
    # The wheel's own test (a fresh venv, its bundled GMP) and the long
    # interpreter-independent ones run once.
    MIVEX_WHEEL=$PWD/$wheel "$env/bin/python" -m pytest -q tests/python "$@"
  else
    "$env/bin/python" -m pytest -q -m "not wheel and not once" tests/python "$@"
  fi
done
