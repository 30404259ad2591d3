// Solving a model exactly: an LP with its certificate, a MILP by branch and
// bound. Deterministic unless a time limit stops it.
#pragma once

#include "core/cancel.hpp"
#include "exact/answer.hpp"
#include "exact/lowering.hpp"
#include "exact/lp_exact.hpp"
#include "exact/model.hpp"

namespace mivex::exact {

Answer solve_model(const Model& model, const Limits& limits, Cancel& cancel);

// The LP relaxation of `model` within `box`, in the model's terms.
Answer solve_relaxation(const Model& model, const Box& box, Cancel& cancel);

// The objective c.x + constant of a point.
Rational objective_at(const Model& model, const std::vector<Rational>& x);

}  // namespace mivex::exact
