// `_mivex_testhook`: a test-only module built from the same boundary code as
// `mivex`, so tests can force the paths that a correct solver never takes
// (internal stops, refused memory, interrupts) and render rare outcomes.
// It is built with the C++ tests and never installed.
#include <string>

#include "python/boundary.hpp"
#include "python/results.hpp"

namespace {

using namespace mivex;

bool starts_with(std::string_view text, std::string_view prefix, std::string& rest) {
  if (text.substr(0, prefix.size()) != prefix) return false;
  rest = std::string(text.substr(prefix.size()));
  return true;
}

// "error:M" -> reader message M; "stop:M" -> internal stop M; "refuse:M" ->
// refused memory; "nomem" -> failed allocation; "spin" -> loop until
// interrupted; anything else -> SAT with {x0: True}.
Outcome<SolverResult> scripted_solve(std::string_view text, Cancel& cancel) {
  std::string rest;
  if (starts_with(text, "error:", rest)) return ReaderMessage{rest};
  if (starts_with(text, "stop:", rest)) throw Stop(rest);
  if (starts_with(text, "refuse:", rest)) throw MemoryRefusal(rest);
  if (text == "nomem") throw std::bad_alloc();
  if (text == "spin") {
    for (;;) cancel.tick();
  }
  Assignment model;
  model.set(0, Value::boolean(true));
  return SolverResult::sat(std::move(model));
}

PyObject* scripted(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return py::run_entry<SolverResult>("scripted", args, nargs, kwnames, &scripted_solve,
                                     &py::solver_result_dict);
}

// The dictionary of a sample LpResult named by `input`.
Outcome<LpResult> sample_lp_result(std::string_view name, Cancel&) {
  Assignment model;
  model.set(0, Value::integer(1));
  model.set(3, Value::floating(2.5));
  if (name == "optimal_empty") return LpResult::optimal({}, 4.0);
  if (name == "optimal") return LpResult::optimal(model, 4.0);
  if (name == "feasible") return LpResult::feasible(model);
  if (name == "infeasible") return LpResult::infeasible();
  if (name == "unbounded") return LpResult::unbounded();
  if (name == "resource_limit") return LpResult::unknown(UnknownReason(UnknownReason::Kind::ResourceLimit));
  if (name == "internal") return LpResult::unknown(UnknownReason::internal("no system loaded"));
  if (name == "big") {
    Assignment big;
    big.set(0, Value::big_integer("-123456789012345678901234567890"));
    return LpResult::optimal(big, -1.2345678901234568e29);
  }
  return ReaderMessage{"unknown sample"};
}

PyObject* lp_result(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return py::run_entry<LpResult>("lp_result", args, nargs, kwnames, &sample_lp_result,
                                 &py::lp_result_dict);
}

PyMethodDef methods[] = {
    {"scripted", MIVEX_FASTCALL(scripted), METH_FASTCALL | METH_KEYWORDS,
     "scripted(input)\n--\n\nRun a scripted outcome through the entry frame."},
    {"lp_result", MIVEX_FASTCALL(lp_result), METH_FASTCALL | METH_KEYWORDS,
     "lp_result(input)\n--\n\nThe result dictionary of a sample LP outcome."},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "_mivex_testhook", "Test hooks for the mivex boundary.", 0,
    nullptr, nullptr, nullptr, nullptr, nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit__mivex_testhook(void) {
  return mivex::py::create_module(module_def, methods);
}
