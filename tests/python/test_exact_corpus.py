"""mivex_exact on every MPS model of the shared corpus: each reads, solves
and passes check(); LP optima agree with the index to every published digit,
MILPs under a node limit report the index's optimum or a point and bound
that bracket it."""
import csv
import os
from fractions import Fraction
from pathlib import Path

import pytest

mivex_exact = pytest.importorskip("mivex_exact")

# The index transposes digits of netlib's -2.3313898243E+06 for scagr7.
CORRECTED = {"scagr7.mps": "-2331389.8243"}
NODE_LIMIT = int(os.environ.get("MIVEX_EXACT_NODES", "10000"))


def mps_rows():
    default = Path(__file__).resolve().parents[2].parent / "shared" / "corpus"
    index = Path(os.environ.get("MIVEX_CORPUS", default)) / "index.csv"
    if not index.exists():
        return [pytest.param(None, id="corpus-missing")]
    with open(index, newline="") as f:
        rows = [r for r in csv.DictReader(f) if r["family"] in ("lp", "milp") and r["source"].endswith(".mps")]
    # The 10,000-node searches take minutes and do not depend on the
    # interpreter: once per test command.
    return [pytest.param(r, id=r["source"], marks=[pytest.mark.once] if r["family"] == "milp" else [])
            for r in rows]


def published_digits_agree(value: Fraction, published: str) -> bool:
    places = len(published.split(".")[1]) if "." in published else 0
    scale = 10**places
    return round(value * scale) == Fraction(published) * scale


@pytest.mark.parametrize("row", mps_rows())
def test_corpus_model(corpus, row):
    if row is None:
        pytest.skip("the shared corpus: set MIVEX_CORPUS")
    name = row["source"]
    model = mivex_exact.read_mps(corpus / "mps" / name)
    result = mivex_exact.solve(model, node_limit=NODE_LIMIT)
    result.check()
    expected = row["expected_status"]
    published = CORRECTED.get(name, row["expected_objective"])
    if row["family"] == "lp":
        assert result.status == expected
        assert result.message == "", "every corpus LP comes with a certificate"
        if expected == "OPTIMAL":
            assert published_digits_agree(result.objective, published), (result.objective, published)
        return
    if result.status == "OPTIMAL":
        assert expected in ("OPTIMAL", "-")
        if published:
            assert published_digits_agree(result.objective, published)
        return
    assert result.status in ("FEASIBLE", "UNKNOWN"), result.status
    assert result.nodes == NODE_LIMIT
    if published:
        s = -1 if model.maximize else 1
        assert s * result.bound <= s * Fraction(published) + Fraction(1, 10**6)
        if result.objective is not None:
            assert s * result.objective >= s * Fraction(published) - Fraction(1, 10**6)
