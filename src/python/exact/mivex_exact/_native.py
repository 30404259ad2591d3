"""The compiled half of mivex_exact. It lives in mivex's own extension file,
under its own init function, so that one copy of the engines serves both
modules; it is loaded from there as the module `_mivex_exact`."""
import importlib.machinery
import importlib.util
import sys

import mivex


def _load():
    name = "_mivex_exact"
    if name in sys.modules:
        return sys.modules[name]
    loader = importlib.machinery.ExtensionFileLoader(name, mivex.__file__)
    module_spec = importlib.util.spec_from_file_location(name, mivex.__file__, loader=loader)
    module = importlib.util.module_from_spec(module_spec)
    loader.exec_module(module)
    sys.modules[name] = module
    return module


native = _load()
