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
    out = subprocess.run(["git", "-C", str(ROOT), "describe", "--always", "--dirty"],
                         capture_output=True, text=True)
    return out.stdout.strip() or "unknown"


def write(path, bench, runs, **meta):
    """runs: dicts with at least solver, instance, status and seconds."""
    record = {"bench": bench, "date": time.strftime("%Y-%m-%d", time.gmtime()), "commit": commit(),
              "command": " ".join(["python"] + sys.argv), **meta, "runs": runs}
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(json.dumps(record, indent=1) + "\n")


def read(path):
    return json.loads(Path(path).read_text())
