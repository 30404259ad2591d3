// Conversion of solver outcomes into the result dictionaries.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <vector>

#include "core/solver_result.hpp"

namespace mivex::py {

// {"x0": value, ...} in entry order: bool, int or float values. An entry
// whose insertion fails is skipped.
PyObject* model_to_py(const std::vector<Assignment::Entry>& entries);

// {"status", "model"?, "objective"?} for the LP and MILP paths.
PyObject* lp_result_dict(const LpResult& result);

// {"status", "model"?} for the SAT and CP paths.
PyObject* solver_result_dict(const SolverResult& result);

}  // namespace mivex::py
