#include "sat/run.hpp"

#include <utility>

#include "parser/dimacs.hpp"
#include "sat/model_check.hpp"
#include "sat/solver.hpp"

namespace mivex::sat {

Outcome<SolverResult> solve_text(std::string_view text, Cancel& cancel) {
  parser::DimacsParse parsed = parser::parse_dimacs(text);
  if (auto* message = std::get_if<std::string>(&parsed)) return ReaderMessage{std::move(*message)};
  const parser::DimacsProblem& problem = std::get<parser::DimacsProblem>(parsed);

  Solver solver;
  solver.ensure_vars(problem.max_magnitude());  // one allocation, checked against free memory
  for (std::size_t i = 0; i < problem.clause_count(); ++i) solver.add_clause(problem.clause(i));
  SolverResult result = solver.solve(cancel);
  if (result.is_sat()) check_model(problem, result.assignment());
  return result;
}

}  // namespace mivex::sat
