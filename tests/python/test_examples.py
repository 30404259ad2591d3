"""examples/batch.py: what it prints for each file is what the module
answers for it, whatever the order the workers finish in."""
import json
import subprocess
import sys
from pathlib import Path

import mivex

BATCH = Path(__file__).resolve().parents[2] / "examples" / "batch.py"
FILES = {
    "a.cnf": ("p cnf 2 2\n1 2 0\n-1 0\n", mivex.solve_sat),
    "b.lp": ("max x0 + x1\nx0 + 2*x1 <= 4\nx0 <= 2.5\n", mivex.solve_lp_text),
    "c.lp": ("max x0 + x1\n2*x0 + 2*x1 <= 3\nint x0\nint x1\n", mivex.solve_milp_text),
    "d.cp": ("var x 0 2\nvar y 0 2\nlt x y\n", mivex.solve_cp_text),
    "e.cnf": ("p cnf 1 1\n1 x 0\n", mivex.solve_sat),
}


def test_one_json_line_per_file_with_the_modules_answer(tmp_path):
    for name, (text, _) in FILES.items():
        (tmp_path / name).write_text(text)
    paths = [str(tmp_path / name) for name in FILES]
    out = subprocess.run([sys.executable, str(BATCH), "--workers", "2", *paths],
                         capture_output=True, text=True, timeout=120)
    assert out.returncode == 0, out.stderr
    lines = [json.loads(line) for line in out.stdout.splitlines()]
    assert sorted(line["file"] for line in lines) == sorted(paths)
    for line in lines:
        text, solve = FILES[Path(line["file"]).name]
        try:
            expected = solve(text)
        except ValueError as refused:
            expected = {"error": str(refused)}
        assert {k: v for k, v in line.items() if k not in ("file", "kind", "seconds")} == expected
    assert out.stderr.strip().endswith(f"{len(FILES)}/{len(FILES)} solved")
