#include "api/solve_milp.hpp"

#include <utility>

#include "milp/solver.hpp"
#include "parser/lp_format.hpp"

namespace mivex::api {

Outcome<LpResult> solve_milp_text(std::string_view text, Cancel& cancel) {
  parser::LpParse parsed = parser::LpFormatParser::parse(text);
  if (auto* message = std::get_if<std::string>(&parsed)) return ReaderMessage{std::move(*message)};
  const auto& system = std::get<linear::LinearSystem>(parsed);
  return milp::BranchAndBound(system).solve(cancel);
}

}  // namespace mivex::api
