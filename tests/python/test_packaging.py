"""The package as users get it: a wheel that installs anywhere, and type stubs."""
import subprocess
import sys
import textwrap
import venv
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]


def run(*command, cwd=None):
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True, timeout=900)


def test_wheel_installs_in_a_fresh_venv(tmp_path):
    built = run(sys.executable, "-m", "pip", "wheel", "--no-deps", "--no-build-isolation",
                "-q", "-w", str(tmp_path / "dist"), str(ROOT))
    assert built.returncode == 0, built.stderr
    (wheel,) = (tmp_path / "dist").glob("mivex-*.whl")
    venv.create(tmp_path / "env", with_pip=True)
    python = tmp_path / "env" / "bin" / "python"
    installed = run(str(python), "-m", "pip", "install", "-q", "--no-index", str(wheel))
    assert installed.returncode == 0, installed.stderr
    probe = run(str(python), "-c", "import mivex; print(mivex.__all__)", cwd=tmp_path)
    assert probe.returncode == 0, probe.stderr
    assert "solve_cp_text" in probe.stdout


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
