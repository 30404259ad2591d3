#include "api/solve_sat.hpp"

#include <utility>

#include "parser/dimacs.hpp"
#include "sat/model_check.hpp"
#include "sat/solver.hpp"

namespace mivex::api {

Outcome<SolverResult> solve_sat(std::string_view text, Cancel& cancel) {
  parser::DimacsParse parsed = parser::parse_dimacs(text);
  if (auto* message = std::get_if<std::string>(&parsed)) return ReaderMessage{std::move(*message)};
  const parser::DimacsProblem& problem = std::get<parser::DimacsProblem>(parsed);
  const auto clauses = problem.clauses();

  sat::Solver solver;
  solver.ensure_vars(problem.max_magnitude());  // one allocation, checked against free memory
  for (const auto clause : clauses) solver.add_clause(clause);
  SolverResult result = solver.solve(cancel);
  if (result.is_sat()) sat::check_model(clauses, result.assignment());
  return result;
}

}  // namespace mivex::api
