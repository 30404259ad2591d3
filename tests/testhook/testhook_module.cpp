// `_mivex_testhook`: a test-only module built from the same boundary code as
// `mivex`, so tests can force the paths that a correct solver never takes
// (internal stops, refused memory, interrupts) and render rare outcomes.
// It is built with the C++ tests and never installed.
#include <optional>
#include <string>

#include "lp/certified/fast_path.hpp"
#include "lp/solver.hpp"
#include "parser/lp_format.hpp"
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

// The LP path with the pivots alone (solve_lp_text may answer by the fast path).
Outcome<LpResult> lp_pivots_solve(std::string_view text, Cancel& cancel) {
  parser::LpParse parsed = parser::LpFormatParser::parse(text);
  if (auto* message = std::get_if<std::string>(&parsed)) return ReaderMessage{std::move(*message)};
  lp::LpSolver solver(std::move(std::get<linear::LinearSystem>(parsed)));
  solver.set_fast_path(lp::LpSolver::FastPath::Off);
  return solver.solve(cancel);
}

PyObject* lp_pivots_only(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return py::run_entry<LpResult>("lp_pivots_only", args, nargs, kwnames, &lp_pivots_solve, &py::lp_result_dict);
}

// Which path of solve_lp_text answers: "fast path" or "pivots".
struct PathOutcome {
  bool fast = false;
};

Outcome<PathOutcome> lp_path_solve(std::string_view text, Cancel& cancel) {
  parser::LpParse parsed = parser::LpFormatParser::parse(text);
  if (auto* message = std::get_if<std::string>(&parsed)) return ReaderMessage{std::move(*message)};
  lp::LpSolver solver(std::move(std::get<linear::LinearSystem>(parsed)));
  solver.solve(cancel);
  return PathOutcome{solver.stats().fast_path};
}

PyObject* path_word(const PathOutcome& outcome) {
  return PyUnicode_FromString(outcome.fast ? "fast path" : "pivots");
}

PyObject* lp_answered_by(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return py::run_entry<PathOutcome>("lp_answered_by", args, nargs, kwnames, &lp_path_solve, &path_word);
}

struct FastOutcome {
  std::optional<lp::FastAnswer> answer;
};

Outcome<FastOutcome> lp_fast_solve(std::string_view text, Cancel& cancel) {
  parser::LpParse parsed = parser::LpFormatParser::parse(text);
  if (auto* message = std::get_if<std::string>(&parsed)) return ReaderMessage{std::move(*message)};
  return FastOutcome{lp::fast_path_solve(std::get<linear::LinearSystem>(parsed), cancel)};
}

// Steals `value` into dict[key]; false on failure (value released).
bool put(PyObject* dict, const char* key, PyObject* value) {
  if (value == nullptr) return false;
  int rc = PyDict_SetItemString(dict, key, value);
  Py_DECREF(value);
  return rc == 0;
}

// Exact numbers as "n" or "n/d" strings, for fractions.Fraction.
PyObject* rational_list(const std::vector<linear::Rational>& values) {
  PyObject* list = PyList_New(static_cast<Py_ssize_t>(values.size()));
  if (list == nullptr) return nullptr;
  for (std::size_t k = 0; k < values.size(); ++k) {
    std::string text = values[k].text();
    PyObject* item = PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    if (item == nullptr) {
      Py_DECREF(list);
      return nullptr;
    }
    if (PyList_SetItem(list, static_cast<Py_ssize_t>(k), item) != 0) {  // steals item
      Py_DECREF(list);
      return nullptr;
    }
  }
  return list;
}

// None when the fast path gave no answer; otherwise {"result": the result
// dictionary, "kind", and the certificate's "x", "y", "u", "basis", "ray"}.
PyObject* fast_dict(const FastOutcome& outcome) {
  if (!outcome.answer) Py_RETURN_NONE;
  const lp::Certificate& c = outcome.answer->certificate;
  PyObject* dict = PyDict_New();
  if (dict == nullptr) return nullptr;
  const char* kind = c.kind == lp::Certificate::Kind::UniqueOptimum ? "optimum"
                     : c.kind == lp::Certificate::Kind::Infeasible  ? "infeasible"
                                                                    : "unbounded";
  PyObject* basis = PyList_New(0);
  bool ok = basis != nullptr;
  for (std::size_t k : c.basis) {
    if (!ok) break;
    PyObject* item = PyLong_FromSize_t(k);
    ok = item != nullptr && PyList_Append(basis, item) == 0;
    Py_XDECREF(item);
  }
  if (!ok) {
    Py_XDECREF(basis);
    Py_DECREF(dict);
    return nullptr;
  }
  ok = put(dict, "basis", basis) && put(dict, "result", py::lp_result_dict(outcome.answer->result)) &&
       put(dict, "kind", PyUnicode_FromString(kind)) && put(dict, "x", rational_list(c.x)) &&
       put(dict, "y", rational_list(c.y)) && put(dict, "u", rational_list(c.u)) &&
       put(dict, "ray", rational_list(c.ray));
  if (!ok) {
    Py_DECREF(dict);
    return nullptr;
  }
  return dict;
}

PyObject* lp_fast_path(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return py::run_entry<FastOutcome>("lp_fast_path", args, nargs, kwnames, &lp_fast_solve, &fast_dict);
}

PyMethodDef methods[] = {
    {"scripted", MIVEX_FASTCALL(scripted), METH_FASTCALL | METH_KEYWORDS,
     "scripted(input)\n--\n\nRun a scripted outcome through the entry frame."},
    {"lp_result", MIVEX_FASTCALL(lp_result), METH_FASTCALL | METH_KEYWORDS,
     "lp_result(input)\n--\n\nThe result dictionary of a sample LP outcome."},
    {"lp_pivots_only", MIVEX_FASTCALL(lp_pivots_only), METH_FASTCALL | METH_KEYWORDS,
     "lp_pivots_only(input)\n--\n\nsolve_lp_text by the exact pivots alone."},
    {"lp_answered_by", MIVEX_FASTCALL(lp_answered_by), METH_FASTCALL | METH_KEYWORDS,
     "lp_answered_by(input)\n--\n\nWhich path of solve_lp_text answers: 'fast path' or 'pivots'."},
    {"lp_fast_path", MIVEX_FASTCALL(lp_fast_path), METH_FASTCALL | METH_KEYWORDS,
     "lp_fast_path(input)\n--\n\nThe certified fast path's answer and certificate, or None."},
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
