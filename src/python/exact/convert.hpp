// Models and answers across the boundary of `_mivex_exact`, the extension
// behind the `mivex_exact` package. Numbers travel as decimal text ("n" or
// "n/d"), which Python's Fraction reads exactly; an infinite bound is None.
//
// A model is the tuple (name, maximize, objective_constant, columns, rows,
// entries): columns a list of (name, lower, upper, integer, cost), rows a
// list of (name, lower, upper), entries a list of (row, column, value).
#pragma once

#include "python/boundary.hpp"

#include "exact/answer.hpp"
#include "exact/model.hpp"

namespace mivex::python_exact {

// New reference, or nullptr with the error set.
PyObject* model_to_python(const exact::Model& model);
// False with TypeError or ValueError set when `data` is not such a tuple.
bool model_from_python(PyObject* data, exact::Model& model);

// (status, objective, x, duals, reduced_costs, farkas, ray, bound, nodes,
// message): lists by column or row position, None where absent.
PyObject* answer_to_python(const exact::Answer& answer);

}  // namespace mivex::python_exact
