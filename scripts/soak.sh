#!/usr/bin/env bash
# A soak before a release: the randomized differential tests of every path
# (LP pivots against the reference tableau, the fast path against the pivots,
# branch and bound against enumeration and against itself run other ways,
# CDCL and CP against their references) on many more programs than the test
# command draws, from other seeds:
#   scripts/soak.sh [factor] [seed]
# factor (default 50) multiplies each test's programs; seed (default: the
# time) picks them, and is printed so that a failure can be run again.
# MIVEX_SANITIZE=1 runs them under ASan and UBSan (slower).
set -euo pipefail
cd "$(dirname "$0")/.."
factor=${1:-50}
seed=${2:-$(date +%s)}
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
scripts/ensure-deps.sh test

build=build/soak
flags=(-DMIVEX_TESTS=ON -DMIVEX_PYTHON=OFF)
if [ "${MIVEX_SANITIZE:-0}" = 1 ]; then
  build=build/soak-sanitize
  flags+=(-DMIVEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$build" --target mivex_tests

tests=(
  LpEngines.RandomProgramsPivotAlike LpEngines.DegenerateProgramsPivotAlike
  LpEngines.NearTiesAreDecidedExactly LpEngines.ThroughResiduesPivotAlike
  LpEngines.FromBoundsPivotAlike LpEngines.FromBoundsInDoublesPivotAlike LpEngines.SecondRunsPivotAlike
  LpEngines.LatticeSolvesPivotAlike LpEngines.LiftedTiesPivotAlike LpEngines.ManyTiesInDoublesPivotAlike LiftedSolves.EqualTheRationalSolvesThroughBasisChanges
  LpEngines.FloorsCutOnlyRunsThrownAway LpEngines.FastPathFloorsHoldTheOptimum
  Bounds.HoldTheirExactValuesThroughChains BoundFactor.OwnEliminationHoldsEveryExactSolve
  LpFastPath.SameAnswerAsThePivotsOnGeneratedPrograms LpFastPath.NodeProgramsAnswerAlike
  BranchAndBound.NodeLimitNeverTurnsAGuessIntoAnOptimum
  MilpRepeats.RepeatedPivotsAreThePivotsFromScratchOnGeneratedMilps MilpRepeats.FloorsFromTheFastPathsDualsKeepThePivots
  MilpWarmStart.FastPathAndPivotsGiveTheSameSearchOnGeneratedMilps MilpWarmStart.HopelessNodesBranchAsTheirPivotsWould
  LpFastMiss.ValuesFixedAtTheOptimumAreSharedByEveryOptimum
  'SatDifferential.*' 'CpDifferential.*'
)
filter=$(IFS=:; echo "${tests[*]}")
echo "soak: factor $factor, seed $seed (again: scripts/soak.sh $factor $seed)"
MIVEX_SOAK=$factor MIVEX_SOAK_SEED=$seed "$build/mivex_tests" --gtest_filter="$filter"
