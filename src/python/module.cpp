// The extension module `mivex`: four functions, each taking the problem text.
#include "python/boundary.hpp"
#include "python/results.hpp"

#include "api/solve_cp.hpp"
#include "api/solve_lp.hpp"
#include "api/solve_milp.hpp"
#include "api/solve_sat.hpp"

namespace {

using namespace mivex;

PyObject* solve_sat(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return py::run_entry<SolverResult>("solve_sat", args, nargs, kwnames, &api::solve_sat,
                                     &py::solver_result_dict);
}

PyObject* solve_lp_text(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return py::run_entry<LpResult>("solve_lp_text", args, nargs, kwnames, &api::solve_lp_text,
                                 &py::lp_result_dict);
}

PyObject* solve_milp_text(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return py::run_entry<LpResult>("solve_milp_text", args, nargs, kwnames, &api::solve_milp_text,
                                 &py::lp_result_dict);
}

PyObject* solve_cp_text(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return py::run_entry<SolverResult>("solve_cp_text", args, nargs, kwnames, &api::solve_cp_text,
                                     &py::solver_result_dict);
}

PyMethodDef methods[] = {
    {"solve_sat", MIVEX_FASTCALL(solve_sat), METH_FASTCALL | METH_KEYWORDS,
     "solve_sat(input)\n--\n\nSolve a SAT problem from DIMACS CNF text.\n"
     "Returns a dict with keys: status, model (if SAT)."},
    {"solve_lp_text", MIVEX_FASTCALL(solve_lp_text), METH_FASTCALL | METH_KEYWORDS,
     "solve_lp_text(input)\n--\n\nSolve an LP problem from text."},
    {"solve_milp_text", MIVEX_FASTCALL(solve_milp_text), METH_FASTCALL | METH_KEYWORDS,
     "solve_milp_text(input)\n--\n\nSolve a MILP problem from text."},
    {"solve_cp_text", MIVEX_FASTCALL(solve_cp_text), METH_FASTCALL | METH_KEYWORDS,
     "solve_cp_text(input)\n--\n\nSolve a CP problem from text."},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "mivex", "Python module: `mivex`.", 0, nullptr,
    nullptr, nullptr, nullptr, nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit_mivex(void) {
  return mivex::py::create_module(module_def, methods);
}
