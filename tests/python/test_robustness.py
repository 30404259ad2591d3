"""No text, however bad, crashes a solver: every call returns a well-formed
dict or raises ValueError (with a message) or MemoryError. Also replays the
inputs the fuzzers once found troublesome (fuzz/regressions/<target>/; the
C++ replay runs the fuzz targets' own code on them too, under sanitizers)."""
from pathlib import Path

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

import mivex

ROOT = Path(__file__).resolve().parents[2]
FUNCTIONS = {
    "sat": mivex.solve_sat,
    "lp": mivex.solve_lp_text,
    "milp": mivex.solve_milp_text,
    "cp": mivex.solve_cp_text,
}
SAT_STATUSES = {"SAT", "UNSAT"}
LP_STATUSES = {"OPTIMAL", "FEASIBLE", "INFEASIBLE", "UNBOUNDED", "UNKNOWN (resource limit)"}


def read_and_solve_mps(text):
    """mivex_exact on MPS text: read (as bytes, so that no text is taken for
    a path), solve under a node limit, and check the answer."""
    import mivex_exact

    try:
        model = mivex_exact.read_mps(text.encode("utf-8", "surrogateescape"))
    except ValueError as refused:
        assert refused.args and refused.args[0].startswith("line ")
        return None
    result = mivex_exact.solve(model, node_limit=100)
    result.check()
    return result


def call(path, text):
    """The outcome of one call, checked for shape; None when the text was refused."""
    if path == "mps":
        return read_and_solve_mps(text)
    try:
        result = FUNCTIONS[path](text)
    except (ValueError, MemoryError) as refused:
        assert refused.args and isinstance(refused.args[0], str) and refused.args[0]
        return None
    assert isinstance(result, dict)
    model = result.get("model")
    if model is not None:
        assert all(isinstance(k, str) and k.startswith("x") and k[1:].isdigit() for k in model)
    if path in ("sat", "cp"):
        assert result["status"] in SAT_STATUSES
        assert ("model" in result) == (result["status"] == "SAT")
        kind = bool if path == "sat" else int
        assert all(type(v) is kind for v in (model or {}).values())
    else:
        assert result["status"] in LP_STATUSES
        assert ("objective" in result) == (result["status"] == "OPTIMAL")
        assert all(type(v) in (int, float) for v in (model or {}).values())
    return result


def lines_of(pieces, max_lines=8):
    line = st.lists(st.sampled_from(pieces), max_size=7).map(" ".join)
    return st.lists(line, max_size=max_lines).map("\n".join)


SAT_PIECES = ["p", "cnf", "c", "0", "1", "-1", "2", "-2", "3", "-3", "4", "5", "-0", "+2", "x", "%",
              "2147483648", "-2147483648", "\r", "\t", "\u00a0", "pp", "dnf"]
LP_PIECES = ["min", "max", "x0", "x1", "x2", "y", "+", "-", "*", "/", "<=", ">=", "=", "1", "2.5", "-3",
             "1e-3", "0", "1/3", "int", "end", "#", "c", ";", "inf", "nan", "1e300", "3x0", "2*x0",
             "x1 <= 4", "max x0 + x1", "int x0", "\u00e9"]
CP_PIECES = ["var", "eq", "neq", "lt", "le", "linear", "alldifferent", "allDiff", "x", "y", "z", "0",
             "1", "2", "-1", "5", "3", "le", "ge", "eq", "#", "//", "+3", "-0", "9223372036854775808"]
CP_HEAD = "var x 0 3\nvar y -2 2\nvar z 1 4\n"

fuzz_settings = settings(max_examples=300, deadline=None,
                         suppress_health_check=[HealthCheck.too_slow, HealthCheck.filter_too_much])


@fuzz_settings
@given(st.text(max_size=200))
def test_arbitrary_text_never_crashes(text):
    for path in FUNCTIONS:
        call(path, text)


@fuzz_settings
@given(st.binary(max_size=200))
def test_decoded_bytes_never_crash(data):
    text = data.decode("utf-8", "surrogateescape")
    for path in FUNCTIONS:
        try:
            call(path, text)
        except UnicodeEncodeError:
            pass  # lone surrogates: the interpreter's own error, raised before any reading


@fuzz_settings
@given(lines_of(SAT_PIECES, 12))
def test_dimacs_like_text(text):
    call("sat", "p cnf 5 5\n" + text)
    call("sat", text)


@fuzz_settings
@given(lines_of(LP_PIECES, 6))
def test_lp_like_text(text):
    call("lp", text)
    call("milp", text)


@fuzz_settings
@given(lines_of(CP_PIECES, 6))
def test_cp_like_text(text):
    call("cp", CP_HEAD + text)
    call("cp", text)


MPS_PIECES = ["NAME", "ROWS", "COLUMNS", "RHS", "RANGES", "BOUNDS", "ENDATA", "OBJSENSE", "MAX", " N obj",
              " L r", " G s", " E t", " x obj 1", " x r -2.5", " y s 1e3", " y t 1/3", " rhs r 4", " rhs t -1",
              " rng r 2", " UP b x 4", " LO b y -1", " FX b x 2", " FR b y", " MI b x", " BV b y", " UP b x -3",
              " MARKER 'MARKER' 'INTORG'", " MARKER 'MARKER' 'INTEND'", "*", "1e30", "\t", " "]


@fuzz_settings
@given(st.lists(st.sampled_from(MPS_PIECES), max_size=16).map("\n".join))
def test_mps_like_text(text):
    call("mps", text)
    call("mps", text + "\nENDATA\n")


# The fuzz targets whose findings are saved under fuzz/regressions/<target>/,
# each with the solve paths that read its inputs.
REPLAYED_BY = {"sat": ["sat"], "lp": ["lp"], "milp": ["milp"], "cp": ["cp"],
               "dimacs": ["sat"], "lp_format": ["lp", "milp"], "cp_format": ["cp"], "mps": ["mps"],
               "exact": ["mps"]}
REGRESSIONS = ROOT / "fuzz" / "regressions"


def test_every_regression_folder_is_a_fuzz_target():
    folders = {p.name for p in REGRESSIONS.iterdir() if p.is_dir()}
    assert folders <= set(REPLAYED_BY), folders - set(REPLAYED_BY)


@pytest.mark.parametrize("path", sorted(p for p in REGRESSIONS.glob("*/*") if p.is_file()),
                         ids=lambda p: f"{p.parent.name}/{p.name}")
def test_fuzz_regressions(path):
    text = path.read_bytes().decode("utf-8", "surrogateescape")
    for solve_path in REPLAYED_BY[path.parent.name]:
        try:
            call(solve_path, text)
        except UnicodeEncodeError:
            pass
