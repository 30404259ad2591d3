#include "api/solve_cp.hpp"

#include <variant>
#include <vector>

#include "core/error.hpp"
#include "cp/check.hpp"
#include "cp/search.hpp"
#include "parser/cp_format.hpp"

namespace mivex::api {

namespace {

// A wrong model must never reach the caller.
SolverResult checked_sat(const cp::CpProblem& problem, Assignment model) {
  std::vector<std::int64_t> values;
  values.reserve(model.size());
  for (const auto& entry : model.entries()) values.push_back(entry.second.as_int());
  if (!cp::is_solution(problem, values)) stop("CP model violates a constraint");
  return SolverResult::sat(std::move(model));
}

}  // namespace

Outcome<SolverResult> solve_cp_text(std::string_view text, Cancel& cancel) {
  auto parsed = parser::parse_cp(text);
  if (auto* message = std::get_if<std::string>(&parsed)) return ReaderMessage{std::move(*message)};
  const cp::CpProblem& problem = std::get<cp::CpProblem>(parsed);

  std::optional<Assignment> model;
  {
    cp::CpSolver solver(problem, cancel);
    if (!solver.propagate_all()) return SolverResult::unsat();
    model = solver.all_fixed() ? std::optional<Assignment>(solver.model()) : solver.search();
  }
  if (!model) return SolverResult::unsat();
  return checked_sat(problem, std::move(*model));
}

}  // namespace mivex::api
