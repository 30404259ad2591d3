#!/usr/bin/env bash
# Run the SAT, LP and MILP benches, keep their per-instance times in
# bench/results/, and draw the pictures the README shows (docs/*.svg):
#   scripts/pictures.sh           run the benches, then draw (about an hour on 2 cores)
#   scripts/pictures.sh --draw    draw again from bench/results/ only
# MIVEX_BENCHES="sat lp" runs only those benches.
set -euo pipefail
cd "$(dirname "$0")/.."
py=.venv-bench/bin/python
if [ "${1:-}" != --draw ]; then
  scripts/ensure-deps.sh bench
  for bench in ${MIVEX_BENCHES:-sat lp milp}; do
    case "$bench" in
      sat) $py bench/sat_bench.py --budget 10 --json bench/results/sat.json ;;
      lp) $py bench/lp_bench.py --timeout 60 --limit 60 --json bench/results/lp.json ;;
      milp) $py bench/milp_bench.py --compare-baseline --budget 60 --json bench/results/milp.json ;;
    esac
  done
fi
$py bench/plots.py bench/results docs
