"""Draw the README's pictures from the benches' saved results (bench/results.py):

    python bench/plots.py RESULTS_DIR OUT_DIR

sat.json and lp.json become cactus plots (instances solved against time, one
line per solver), milp.json a bar chart of node rates against the baseline
engine. A missing results file is skipped.
"""
import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import matplotlib.ticker  # noqa: E402

import results as saved  # noqa: E402

# Stable SVG output: the same results draw the same file.
plt.rcParams["svg.hashsalt"] = "mivex"
plt.rcParams["font.size"] = 10
plt.rcParams["svg.fonttype"] = "none"  # text stays text: smaller files, readable diffs
SVG_META = {"Date": None}
LABELS = {"minisat22": "MiniSat 2.2", "cadical153": "CaDiCaL 1.5.3", "glpsol": "glpsol --exact",
          "esolver": "esolver (exact)", "HiGHS": "HiGHS (floating point)"}


def solved_times(record):
    """solver -> sorted seconds of the instances it answered, in first-seen order."""
    times = {}
    for run in record["runs"]:
        times.setdefault(run["solver"], [])
        if run["seconds"] is not None:
            times[run["solver"]].append(run["seconds"])
    return {solver: sorted(ts) for solver, ts in times.items()}


def instance_count(record):
    return len({run["instance"] for run in record["runs"]})


def caption(record):
    return f"{record['date']}, {record['commit']}: {record['command']}"


def cactus(record, title, out):
    fig, ax = plt.subplots(figsize=(7, 4.2))
    for solver, ts in solved_times(record).items():
        # Step up by one at each answer's time.
        ax.step([ts[0] if ts else 0] + ts, range(len(ts) + 1), where="post", label=f"{LABELS.get(solver, solver)} ({len(ts)})",
                linewidth=2 if solver == "mivex" else 1.2)
    ax.set_xscale("log")
    ax.set_xlabel("time per instance (s, log scale)")
    ax.set_ylabel("instances solved")
    ax.set_title(f"{title}: {instance_count(record)} instances", fontsize=11)
    ax.axhline(instance_count(record), color="grey", linewidth=0.5, linestyle=":")
    ax.grid(True, which="major", alpha=0.3)
    ax.legend(loc="lower right", fontsize=9)
    fig.text(0.01, 0.01, caption(record), fontsize=6, color="grey")
    fig.tight_layout(rect=(0, 0.03, 1, 1))
    fig.savefig(out, metadata=SVG_META)
    plt.close(fig)


def node_rate(run):
    """Nodes per CPU second where the run kept its CPU time (a busy machine
    stretches the wall time, not the CPU time), else per wall second."""
    if run.get("cpu") and run.get("nodes"):
        return run["nodes"] / run["cpu"]
    return run["nodes_per_second"]


def node_rates(record, out):
    rates = {}
    per_cpu = all(run.get("cpu") is not None for run in record["runs"] if run["seconds"] is not None)
    for run in record["runs"]:
        rates.setdefault(run["instance"], {})[run["solver"]] = node_rate(run)
    models = list(rates)
    fig, ax = plt.subplots(figsize=(7, 4))
    width = 0.4
    for k, (solver, label) in enumerate((("baseline", f"previous engine ({record['baseline'][:7]})"),
                                         ("mivex", f"mivex ({record['commit']})"))):
        values = [rates[m].get(solver) or 0 for m in models]
        bars = ax.bar([i + (k - 0.5) * width for i in range(len(models))], values, width, label=label)
        for bar, model, value in zip(bars, models, values):
            x = bar.get_x() + width / 2
            if not value:
                ax.annotate(f"did not finish in {record['budget']:g} s", (x, 0.03), xycoords=("data", "axes fraction"), ha="center",
                            fontsize=7, rotation=90)
            elif solver == "mivex" and rates[model].get("baseline"):
                ax.annotate(f"{value / rates[model]['baseline']:.1f}x", (x, value), ha="center", va="bottom",
                            fontsize=8)
    ax.set_xticks(range(len(models)), models)
    ax.set_yscale("log")
    ax.yaxis.set_major_locator(matplotlib.ticker.LogLocator(subs=(1, 2, 5)))
    ax.yaxis.set_major_formatter(matplotlib.ticker.FuncFormatter(lambda y, _: f"{y:g}"))
    ax.yaxis.set_minor_formatter(matplotlib.ticker.NullFormatter())
    ax.set_ylabel(f"nodes per {'CPU ' if per_cpu else ''}second (log scale)")
    ax.set_title("Branch and bound, 1000-node searches: node rate", fontsize=11)
    ax.grid(True, axis="y", which="major", alpha=0.3)
    ax.legend(fontsize=9)
    fig.text(0.01, 0.01, caption(record), fontsize=6, color="grey")
    fig.tight_layout(rect=(0, 0.03, 1, 1))
    fig.savefig(out, metadata=SVG_META)
    plt.close(fig)


def main(results_dir, out_dir):
    results_dir, out_dir = Path(results_dir), Path(out_dir)
    out_dir.mkdir(parents=True, exist_ok=True)
    drawn = []
    for name, draw in (("sat", lambda r, o: cactus(r, "SAT: random 3-SAT, pigeonhole and the corpus", o)),
                       ("lp", lambda r, o: cactus(r, "LP: the corpus and the scale set", o)),
                       ("milp", node_rates)):
        path = results_dir / f"{name}.json"
        if path.exists():
            out = out_dir / f"{name}.svg"
            draw(saved.read(path), out)
            drawn.append(str(out))
    print("drew " + (", ".join(drawn) if drawn else f"nothing: no results in {results_dir}"))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(*sys.argv[1:])
