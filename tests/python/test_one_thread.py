"""Every call runs wholly on the calling thread: the extension cannot start a
thread (it links no thread-start symbol), and a process solving every kind
of problem never has a second thread."""
import os
import subprocess
import sys
import textwrap
import time
from pathlib import Path

import mivex

THREAD_STARTS = ("pthread_create", "_ZNSt6thread")  # the C call and std::thread's


def undefined_symbols(library):
    listed = subprocess.run(["nm", "-D", "--undefined-only", str(library)], capture_output=True, text=True)
    assert listed.returncode == 0, listed.stderr
    return [line.split()[-1] for line in listed.stdout.splitlines() if line.strip()]


def test_no_library_the_module_calls_can_start_a_thread():
    module = Path(mivex.__file__)
    # The wheel carries its own copies beside the module (mivex.libs).
    bundled = [p for p in sorted((module.parent / "mivex.libs").glob("*.so*"))
               if p.name.startswith(("libgmp", "libClp", "libCoinUtils"))]
    libraries = [module, *bundled]
    for library in libraries:
        starts = [s for s in undefined_symbols(library) if s.startswith(THREAD_STARTS)]
        assert starts == [], f"{library.name} imports {starts}"


SOLVES = textwrap.dedent(
    """
    import sys, mivex
    from pathlib import Path
    corpus = Path(sys.argv[1])
    for family, solve in (("sat", mivex.solve_sat), ("lp", mivex.solve_lp_text),
                          ("cp", mivex.solve_cp_text)):
        for path in sorted((corpus / family).iterdir()):
            if path.name not in ("hole9.cnf", "hole10.cnf"):
                solve(path.read_text())
    for name in ("bell3a", "mod008", "egout"):
        mivex.solve_milp_text((corpus / "milp" / f"{name}.lp").read_text())
    """
)


def test_a_process_solving_every_kind_has_one_thread(corpus):
    """Watched from outside while it solves (the solves hold the interpreter
    lock, so no thread of its own could look): every corpus LP with its fast
    path, MILP searches with their node-path choice, SAT and CP."""
    child = subprocess.Popen([sys.executable, "-c", SOLVES, str(corpus)])
    most, samples = 0, 0
    tasks = Path(f"/proc/{child.pid}/task")
    while child.poll() is None:
        try:
            most = max(most, len(os.listdir(tasks)))
            samples += 1
        except FileNotFoundError:
            break
        time.sleep(0.002)
    assert child.wait() == 0
    assert samples > 100
    assert most == 1
