import importlib
import os
import subprocess
import sys
from pathlib import Path

import pytest

CORPUS = Path(__file__).resolve().parents[2].parent / "shared" / "corpus"

# Under the test command (scripts/test.sh) nothing may be missing: a test that
# would skip for want of the corpus, a peer solver or the test-only extension
# fails instead, saying what to provide. Plain pytest still skips.
REQUIRE_ALL = os.environ.get("MIVEX_REQUIRE_ALL") == "1"
PROVIDE = ("the test command needs every test to run: install the Python test packages "
           "(requirements/test.txt), build the test-only extension (MIVEX_TESTHOOK_DIR) and "
           "point MIVEX_CORPUS at the shared corpus")


def _required(report):
    if REQUIRE_ALL and report.skipped and not hasattr(report, "wasxfail"):
        reason = report.longrepr[2] if isinstance(report.longrepr, tuple) else str(report.longrepr)
        report.outcome = "failed"
        report.longrepr = f"missing: {reason}\n{PROVIDE}"


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    _required(outcome.get_result())


@pytest.hookimpl(hookwrapper=True)
def pytest_make_collect_report(collector):
    outcome = yield
    _required(outcome.get_result())


@pytest.fixture(scope="session")
def testhook():
    """The test-only extension built beside the C++ tests (scripts/test.sh)."""
    directory = os.environ.get("MIVEX_TESTHOOK_DIR")
    if not directory:
        pytest.skip("the test-only extension: MIVEX_TESTHOOK_DIR is not set")
    sys.path.insert(0, directory)
    try:
        return importlib.import_module("_mivex_testhook")
    finally:
        sys.path.remove(directory)


@pytest.fixture(scope="session")
def corpus():
    """The shared corpus folder (index.csv and the instance folders), if present."""
    root = Path(os.environ.get("MIVEX_CORPUS", CORPUS))
    if not (root / "index.csv").exists():
        pytest.skip(f"the shared corpus: no index.csv at {root} (set MIVEX_CORPUS)")
    return root


@pytest.fixture
def sigint_during():
    """Run a call while SIGINT reaches this process `delay` seconds in. The
    call must end by the interrupt itself: a call that returns first (and is
    only then interrupted) never looked at the signal, which fails the test."""

    def run(call, *args, delay=0.2):
        killer = subprocess.Popen(["sh", "-c", f"sleep {delay}; kill -INT {os.getpid()}"])
        returned = None
        try:
            with pytest.raises(KeyboardInterrupt):
                returned = call(*args)
        finally:
            killer.wait()
        assert returned is None, "the call returned before it was interrupted"

    return run
