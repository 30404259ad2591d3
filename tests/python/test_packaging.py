"""The package as users get it: a self-contained wheel, a module that exports\nnothing but its init function, and type stubs."""
import json
import os
import re
import subprocess
import sys
import textwrap
import venv
import zipfile
from pathlib import Path

import pytest

import mivex

ROOT = Path(__file__).resolve().parents[2]


def run(*command, cwd=None):
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True, timeout=900)


# One problem of each kind with its known answer.
PROBE = textwrap.dedent(
    """
    import json, mivex, mivex_exact
    print(mivex.__file__)
    exact = mivex_exact.linprog([-1, -1], A_ub=[[3, 1]], b_ub=[10], bounds=(0, 3))
    print(json.dumps([
        str(exact.fun),
        mivex.solve_sat("p cnf 2 2\\n1 2 0\\n-1 0\\n"),
        mivex.solve_lp_text("max x0 + x1\\nx0 + 2*x1 <= 4\\nx0 <= 2\\n"),
        mivex.solve_milp_text("max x0 + x1\\n2*x0 + 2*x1 <= 3\\nint x0\\nint x1\\n"),
        mivex.solve_cp_text("var x 0 2\\nvar y 0 2\\nlt x y\\n"),
    ]))
    """
)
ANSWERS = [
    "-16/3",  # mivex_exact, from the same extension file: x = (7/3, 3)
    {"status": "SAT", "model": {"x0": False, "x1": True}},
    {"status": "OPTIMAL", "model": {"x0": 2, "x1": 1}, "objective": 3.0},
    {"status": "OPTIMAL", "model": {"x0": 1, "x1": 0}, "objective": 1.0},
    {"status": "SAT", "model": {"x0": 0, "x1": 1}},
]


@pytest.mark.wheel
def test_repaired_wheel_works_in_a_fresh_venv(tmp_path):
    """The wheel users get (scripts/wheel.sh): one stable-ABI wheel that
    carries its own GMP (beside the module) and CLP (inside it), installed
    with nothing else from any index."""
    wheel = os.environ.get("MIVEX_WHEEL")
    if not wheel:
        pytest.skip("the repaired wheel: MIVEX_WHEEL is not set (scripts/wheel.sh builds it)")
    assert "-cp310-abi3-manylinux_" in Path(wheel).name
    venv.create(tmp_path / "env", with_pip=True)
    python = tmp_path / "env" / "bin" / "python"
    installed = run(str(python), "-m", "pip", "install", "-q", "--no-index", wheel)
    assert installed.returncode == 0, installed.stderr
    probe = run(str(python), "-c", PROBE, cwd=tmp_path)
    assert probe.returncode == 0, probe.stderr
    module, answers = probe.stdout.splitlines()
    assert json.loads(answers) == ANSWERS
    site = Path(module).parent
    assert site.is_relative_to(tmp_path / "env")
    libraries = run("ldd", module)
    assert libraries.returncode == 0, libraries.stderr
    found = [line.split() for line in libraries.stdout.splitlines() if "libgmp" in line]
    assert found and all(Path(words[2]).resolve().parent == (site / "mivex.libs").resolve()
                         for words in found), libraries.stdout
    for name in ("libClp", "libCoinUtils", "libstdc++"):
        assert name not in libraries.stdout
    assert "not found" not in libraries.stdout


def glibc_floor(shared_object):
    """The newest GLIBC_x.y version among the dynamic symbols of a file."""
    listed = run("objdump", "-T", str(shared_object))
    assert listed.returncode == 0, listed.stderr
    versions = re.findall(r"\(GLIBC_(\d+)\.(\d+)(?:\.\d+)?\)", listed.stdout)
    return max((int(major), int(minor)) for major, minor in versions)


@pytest.mark.wheel
def test_repaired_wheel_loads_on_glibc_2_28(tmp_path):
    """manylinux_2_28 (RHEL 8, Debian 10, Ubuntu 18.10 and newer) or older:
    every shared object in the wheel needs glibc 2.28 at most and no system
    C++ runtime, and the wheel carries no Fortran runtime, BLAS or LAPACK
    (CLP's factorization has its own LU), in 3 MB at most."""
    wheel = os.environ.get("MIVEX_WHEEL")
    if not wheel:
        pytest.skip("the repaired wheel: MIVEX_WHEEL is not set (scripts/wheel.sh builds it)")
    platforms = Path(wheel).name.removesuffix(".whl").split("-")[-1].split(".")
    floors = [re.fullmatch(r"manylinux_2_(\d+)_x86_64", platform) for platform in platforms]
    assert all(floors) and max(int(floor[1]) for floor in floors) <= 28, platforms
    assert Path(wheel).stat().st_size <= 3 * 1024 * 1024
    with zipfile.ZipFile(wheel) as archive:
        names = archive.namelist()
        archive.extractall(tmp_path)
    for name in names:
        assert not re.search(r"gfortran|quadmath|lapack|blas", name, re.IGNORECASE), name
    shared = [tmp_path / name for name in names if re.search(r"\.so(\.|$)", name)]
    assert any(path.name == "mivex.abi3.so" for path in shared), names
    for path in shared:
        assert glibc_floor(path) <= (2, 28), path.name
        needed = run("readelf", "-d", str(path))
        assert "libstdc++" not in needed.stdout and "libgfortran" not in needed.stdout, path.name


def test_extension_exports_only_the_init_functions():
    listed = run("nm", "-D", "--defined-only", mivex.__file__)
    assert listed.returncode == 0, listed.stderr
    functions = [line.split()[2] for line in listed.stdout.splitlines()
                 if line.split()[1] in ("T", "t", "W", "i")]
    # and mivex_exact's, whose compiled half shares the file
    assert sorted(functions) == ["PyInit__mivex_exact", "PyInit_mivex"], listed.stdout


def test_stubs_type_check_a_small_program(tmp_path):
    pytest.importorskip("mypy")
    good = tmp_path / "good.py"
    good.write_text(textwrap.dedent(
        """
        import mivex

        sat = mivex.solve_sat("p cnf 1 1\\n1 0\\n")
        if sat["status"] == "SAT":
            value: bool = sat["model"]["x0"]
        lp = mivex.solve_lp_text(input="min x0\\n")
        objective: float = lp.get("objective", 0.0)
        cp = mivex.solve_cp_text("var x 0 1\\n")
        number: int = cp.get("model", {}).get("x0", 0)
        """
    ))
    bad = tmp_path / "bad.py"
    bad.write_text("import mivex\nstatus: int = mivex.solve_milp_text(b'max x0')['status']\n")
    checked = run(sys.executable, "-m", "mypy", "--strict", "--no-incremental", str(good), cwd=tmp_path)
    assert checked.returncode == 0, checked.stdout
    rejected = run(sys.executable, "-m", "mypy", "--no-incremental", str(bad), cwd=tmp_path)
    assert rejected.returncode == 1
    assert 'incompatible type "bytes"; expected "str"' in rejected.stdout
