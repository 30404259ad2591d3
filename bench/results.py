"""The benches' per-instance results as JSON, for bench/plots.py.

One file per bench run: when, at which commit and by which command it ran,
and one record per solver and instance (seconds is None when the solver did
not answer within the budget).
"""
import json
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]


def commit():
    """The last commit that changed the solver's sources (-dirty if they differ
    from it): documentation changes do not move the figures."""
    sources = ["src", "CMakeLists.txt"]
    git = ["git", "-C", str(ROOT)]
    last = subprocess.run(git + ["log", "-1", "--format=%h", "--"] + sources, capture_output=True, text=True)
    dirty = subprocess.run(git + ["status", "--porcelain", "--untracked-files=no", "--"] + sources,
                           capture_output=True, text=True)
    return (last.stdout.strip() or "unknown") + ("-dirty" if dirty.stdout.strip() else "")


def write(path, bench, runs, **meta):
    """runs: dicts with at least solver, instance, status and seconds."""
    record = {"bench": bench, "date": time.strftime("%Y-%m-%d", time.gmtime()), "commit": commit(),
              "command": " ".join(["python"] + sys.argv), **meta, "runs": runs}
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(json.dumps(record, indent=1) + "\n")


def read(path):
    return json.loads(Path(path).read_text())
