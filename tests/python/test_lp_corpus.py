"""The LP corpus (netlib models, Klee-Minty cubes, small textbook models):
each ends with its documented status and optimum (bench/lp_bench.py times
them against peers)."""
import csv
import os
from pathlib import Path

import pytest

import mivex

# The index lists -2331389.2548 for scagr7, transposing digits of netlib's
# -2.3313898243E+06; HiGHS on the MPS original and on the LP text agrees with
# the latter.
CORRECTED = {"scagr7.lp": -2331389.8243}


def lp_rows():
    default = Path(__file__).resolve().parents[2].parent / "shared" / "corpus"
    index = Path(os.environ.get("MIVEX_CORPUS", default)) / "index.csv"
    if not index.exists():
        return ["corpus-missing"]
    with open(index, newline="") as f:
        return [row["file"] for row in csv.DictReader(f) if row["family"] == "lp"]


@pytest.fixture(scope="module")
def paths():
    """The test-only module when built (scripts/test.sh), else None."""
    directory = os.environ.get("MIVEX_TESTHOOK_DIR")
    if not directory:
        return None
    import importlib
    import sys

    sys.path.insert(0, directory)
    try:
        return importlib.import_module("_mivex_testhook")
    finally:
        sys.path.remove(directory)


@pytest.mark.parametrize("name", lp_rows())
def test_corpus_lp(corpus, paths, name):
    with open(corpus / "index.csv", newline="") as f:
        row = next(r for r in csv.DictReader(f) if r["family"] == "lp" and r["file"] == name)
    text = (corpus / "lp" / name).read_text()
    result = mivex.solve_lp_text(text)
    assert result["status"] == row["expected_status"]
    if row["expected_objective"]:
        expected = CORRECTED.get(name, float(row["expected_objective"]))
        # The documented optima carry 11 significant digits.
        assert result["objective"] == pytest.approx(expected, rel=1e-8)
    if paths is not None:
        # Where the certified fast path answers, the pivots alone must give
        # the very same dictionary (elsewhere the pivots gave `result`).
        fast = paths.lp_fast_path(text)
        print(f"{name}: {'fast path' if fast else 'pivots'}")
        if fast is not None:
            assert repr(fast["result"]) == repr(result)
            assert repr(paths.lp_pivots_only(text)) == repr(result)
