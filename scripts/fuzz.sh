#!/usr/bin/env bash
# Fuzz every solve path for a bounded time (default 60 s per target):
#   scripts/fuzz.sh [seconds] [target ...]
# Targets: the solve paths sat lp milp cp (reader + solver under a step
# budget), the readers dimacs lp_format cp_format mps (mivex_exact's), and
# exact (mivex_exact's reader and solve, under a node limit and a budget).
# Seeds come from fuzz/seeds/<path>; new findings land in
# build/fuzz/artifacts and make the script fail. Turn each finding into a file
# under fuzz/regressions/<target>/ (replayed by the test command).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(sat lp milp cp dimacs lp_format cp_format mps exact)

missing=()
for pkg in clang-14 libclang-rt-14-dev libgmp-dev; do
  dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build/fuzz

status=0
for target in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$target
  artifacts=build/fuzz/artifacts/$target/
  mkdir -p "$corpus" "$artifacts"
  case "$target" in
    dimacs) paths=(sat) ;;
    lp_format) paths=(lp milp) ;;
    cp_format) paths=(cp) ;;
    mps) paths=(mps) ;;
    exact) paths=(mps exact) ;;
    *) paths=("$target") ;;
  esac
  seeds=()
  for dir in "${paths[@]/#/fuzz/seeds/}" "${paths[@]/#/fuzz/regressions/}"; do
    [ -d "$dir" ] && seeds+=("$dir")
  done
  echo "== fuzz_$target for ${seconds}s"
  if ! build/fuzz/fuzz_$target "$corpus" "${seeds[@]}" -max_total_time="$seconds" \
      -timeout=20 -rss_limit_mb=4096 -max_len=512 -artifact_prefix="$artifacts" \
      -print_final_stats=1 2>build/fuzz/$target.log; then
    echo "fuzz_$target found a problem: see build/fuzz/$target.log and $artifacts"
    tail -30 build/fuzz/$target.log
    status=1
  else
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' build/fuzz/$target.log || true
  fi
done
exit $status
