import importlib
import os
import sys
from pathlib import Path

import pytest

CORPUS = Path(__file__).resolve().parents[2].parent / "shared" / "corpus"


@pytest.fixture(scope="session")
def testhook():
    """The test-only extension built beside the C++ tests (scripts/test.sh)."""
    directory = os.environ.get("MIVEX_TESTHOOK_DIR")
    if not directory:
        pytest.skip("MIVEX_TESTHOOK_DIR not set: run through scripts/test.sh")
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
        pytest.skip(f"corpus not found at {root}")
    return root
