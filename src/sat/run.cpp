#include "sat/run.hpp"

#include <utility>

#include "core/error.hpp"
#include "parser/dimacs.hpp"
#include "sat/solver.hpp"

namespace mivex::sat {

namespace {

// A SAT answer must satisfy every clause exactly as read; anything else is
// a solver fault and must never reach the caller.
void check_model(const parser::DimacsProblem& problem, const Assignment& model) {
  const auto& entries = model.entries();
  for (std::size_t i = 0; i < problem.clause_count(); ++i) {
    bool satisfied = false;
    for (std::int32_t d : problem.clause(i)) {
      std::uint64_t var = (d < 0 ? 0u - static_cast<std::uint32_t>(d) : static_cast<std::uint32_t>(d)) - 1u;
      if (var >= entries.size()) stop("SAT model is missing a variable");
      if (entries[var].second.as_bool() == (d > 0)) {
        satisfied = true;
        break;
      }
    }
    if (!satisfied) stop("SAT model violates an input clause");
  }
}

}  // namespace

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
