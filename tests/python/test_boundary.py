"""The module surface: names, docs, argument binding, errors, dictionaries."""
import gc
import subprocess
import sys
import textwrap
import threading
import tracemalloc

import pytest

import mivex

FUNCTIONS = ["solve_sat", "solve_lp_text", "solve_milp_text", "solve_cp_text"]
DOCS = {
    "solve_sat": "Solve a SAT problem from DIMACS CNF text.\nReturns a dict with keys: status, model (if SAT).",
    "solve_lp_text": "Solve an LP problem from text.",
    "solve_milp_text": "Solve a MILP problem from text.",
    "solve_cp_text": "Solve a CP problem from text.",
}


def test_module_surface():
    assert mivex.__all__ == FUNCTIONS
    assert mivex.__doc__ == "Python module: `mivex`."
    public = sorted(name for name in dir(mivex) if not name.startswith("__"))
    assert public == sorted(FUNCTIONS)
    for name in FUNCTIONS:
        function = getattr(mivex, name)
        assert function.__name__ == name
        assert function.__text_signature__ == "(input)"
        assert function.__doc__ == DOCS[name]
        assert function.__module__ == "mivex"
        assert function.__self__ is mivex


@pytest.mark.parametrize("name", FUNCTIONS)
def test_argument_binding(name):
    function = getattr(mivex, name)
    cases = [
        ((), {}, f"{name}() missing 1 required positional argument: 'input'"),
        (("a", "b"), {}, f"{name}() takes 1 positional argument but 2 were given"),
        ((), {"text": "a"}, f"{name}() got an unexpected keyword argument 'text'"),
        (("a",), {"input": "a"}, f"{name}() got multiple values for argument 'input'"),
        ((b"p cnf 0 0",), {}, "argument 'input': 'bytes' object cannot be converted to 'PyString'"),
        ((3,), {}, "argument 'input': 'int' object cannot be converted to 'PyString'"),
        ((None,), {}, "argument 'input': 'NoneType' object cannot be converted to 'PyString'"),
    ]
    for args, kwargs, message in cases:
        with pytest.raises(TypeError) as caught:
            function(*args, **kwargs)
        assert str(caught.value) == message


class _Renamed(type):
    __name__ = property(lambda cls: "renamed")


class _Odd(metaclass=_Renamed):
    pass


def test_type_error_names_the_type_as_the_type_object_holds_it():
    """The name in the message is the type's own (after its last dot), even
    where type(x).__name__ is redefined by a metaclass."""
    import collections

    cases = [(collections.OrderedDict(), "OrderedDict"), (type("pkg.Dotted", (), {})(), "Dotted"),
             (_Odd(), "_Odd"), (type("Ünï", (), {})(), "Ünï")]
    for value, name in cases:
        with pytest.raises(TypeError) as caught:
            mivex.solve_sat(value)
        assert str(caught.value) == f"argument 'input': '{name}' object cannot be converted to 'PyString'"


@pytest.mark.parametrize("name", FUNCTIONS)
def test_lone_surrogate_raises_the_interpreters_encode_error(name):
    with pytest.raises(UnicodeEncodeError):
        getattr(mivex, name)("\ud800")


def test_str_subclass_is_accepted(testhook):
    class Text(str):
        pass

    assert testhook.scripted(Text("ok")) == {"status": "SAT", "model": {"x0": True}}


def test_keyword_and_positional_agree(testhook):
    assert testhook.scripted("ok") == testhook.scripted(input="ok")


def test_reader_message_is_a_value_error_unchanged(testhook):
    message = "line 4: invalid literal 'x\x00y' – ünïcode ≥"
    with pytest.raises(ValueError) as caught:
        testhook.scripted("error:" + message)
    assert caught.value.args == (message,)


def test_internal_stop_escapes_except_exception(testhook):
    def call():
        try:
            testhook.scripted("stop:pivot value is zero")
        except Exception:  # noqa: BLE001 - the point: this must not catch it
            pytest.fail("caught by except Exception")

    with pytest.raises(BaseException) as caught:
        call()
    panic = type(caught.value)
    assert f"{panic.__module__}.{panic.__qualname__}" == "pyo3_runtime.PanicException"
    assert issubclass(panic, BaseException) and not issubclass(panic, Exception)
    assert caught.value.args == ("pivot value is zero",)
    # The type is made once: a second stop raises the very same class.
    with pytest.raises(BaseException) as again:
        testhook.scripted("stop:Rational denominator cannot be zero")
    assert type(again.value) is panic
    assert testhook.scripted("ok")["status"] == "SAT"


def test_memory_failures_become_memory_error(testhook):
    with pytest.raises(MemoryError) as caught:
        testhook.scripted("refuse:too many variables")
    assert caught.value.args == ("too many variables",)
    with pytest.raises(MemoryError):
        testhook.scripted("nomem")


def test_lp_result_dictionaries(testhook):
    model = {"x0": 1, "x3": 2.5}
    assert testhook.lp_result("optimal") == {"status": "OPTIMAL", "model": model, "objective": 4.0}
    assert list(testhook.lp_result("optimal")) == ["status", "model", "objective"]
    assert testhook.lp_result("optimal_empty") == {"status": "OPTIMAL", "model": {}, "objective": 4.0}
    assert testhook.lp_result("feasible") == {"status": "FEASIBLE", "model": model}
    assert testhook.lp_result("infeasible") == {"status": "INFEASIBLE"}
    assert testhook.lp_result("unbounded") == {"status": "UNBOUNDED"}
    assert testhook.lp_result("resource_limit") == {"status": "UNKNOWN (resource limit)"}
    assert testhook.lp_result("internal") == {"status": "UNKNOWN (internal: no system loaded)"}
    result = testhook.lp_result("optimal")
    assert type(result["model"]["x0"]) is int and type(result["model"]["x3"]) is float
    big = testhook.lp_result("big")["model"]["x0"]
    assert big == -123456789012345678901234567890 and type(big) is int


def test_no_reference_leaks(testhook):
    """100000 calls mixing success, ValueError and TypeError keep memory flat."""

    def burst(n):
        for i in range(n):
            kind = i % 3
            try:
                if kind == 0:
                    testhook.scripted("ok")
                elif kind == 1:
                    testhook.scripted("error:line 1: bad")
                else:
                    testhook.scripted(b"bytes")
            except (ValueError, TypeError):
                pass

    burst(1000)
    gc.collect()
    tracemalloc.start()
    before = tracemalloc.take_snapshot()
    burst(100_000)
    gc.collect()
    after = tracemalloc.take_snapshot()
    tracemalloc.stop()
    growth = sum(stat.size_diff for stat in after.compare_to(before, "filename"))
    assert growth < 64 * 1024, growth


def test_sub_interpreter_import_is_refused():
    """A second interpreter of the process cannot import the module: our own
    refusal where the sub-interpreter shares the main GIL, the interpreter's
    own where it is isolated (3.12 on). The main interpreter keeps working."""
    script = textwrap.dedent(
        """
        import sys
        import mivex
        try:
            import _interpreters as interpreters  # 3.13 on
            shared_gil = {"config": "legacy"}
        except ImportError:
            import _xxsubinterpreters as interpreters  # 3.10 to 3.12
            shared_gil = {"isolated": False} if sys.version_info >= (3, 12) else {}

        def import_in_new_interpreter(**config):
            interp = interpreters.create(**config)
            try:
                failure = interpreters.run_string(interp, "import mivex")
            except Exception as error:  # up to 3.12 the failure is raised
                return str(error)
            finally:
                interpreters.destroy(interp)
            return failure.formatted if failure else "imported"  # 3.13 returns it

        print(import_in_new_interpreter(**shared_gil))
        print(import_in_new_interpreter())
        print(mivex.solve_sat("p cnf 1 1\\n1 0\\n")["status"])
        """
    )
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=60)
    assert out.returncode == 0, out.stderr
    shared, isolated, status = out.stdout.splitlines()
    ours = ("mivex does not support sub-interpreters: it can only be imported once per process, "
            "in the interpreter that imported it first")
    assert "ImportError" in shared and shared.endswith(": " + ours), shared
    assert "ImportError" in isolated and ("sub-interpreters" in isolated or "subinterpreters" in isolated)
    assert status == "SAT"


def test_calls_from_two_threads_both_complete():
    # Colour a 12-cycle with 2 colours (SAT) and a 13-cycle (UNSAT) at once.
    def cycle(n):
        clauses = [f"{2 * i + 1} {2 * i + 2} 0" for i in range(n)]
        clauses += [f"-{2 * i + 1} -{2 * i + 2} 0" for i in range(n)]
        for i in range(n):
            j = (i + 1) % n
            clauses += [f"-{2 * i + 1} -{2 * j + 1} 0", f"-{2 * i + 2} -{2 * j + 2} 0"]
        return f"p cnf {2 * n} {len(clauses)}\n" + "\n".join(clauses) + "\n"

    texts = [cycle(12), cycle(13)] * 4
    expected = [mivex.solve_sat(text) for text in texts]
    results = [None] * len(texts)

    def work(i):
        results[i] = mivex.solve_sat(texts[i])

    threads = [threading.Thread(target=work, args=(i,)) for i in range(len(texts))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert results == expected
    assert [r["status"] for r in results[:2]] == ["SAT", "UNSAT"]


def test_sigint_interrupts_a_long_solve(testhook, sigint_during):
    """Ctrl-C reaches a solve that never ends on its own; the module survives."""
    sigint_during(testhook.scripted, "spin", delay=0.3)
    assert testhook.scripted("ok")["status"] == "SAT"
