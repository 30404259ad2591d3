#include "api/solve_lp.hpp"

#include <utility>

#include "lp/solver.hpp"
#include "parser/lp_format.hpp"

namespace mivex::api {

Outcome<LpResult> solve_lp_text(std::string_view text, Cancel& cancel) {
  parser::LpParse parsed = parser::LpFormatParser::parse(text);
  if (auto* message = std::get_if<std::string>(&parsed)) return ReaderMessage{std::move(*message)};
  lp::LpSolver solver(std::move(std::get<linear::LinearSystem>(parsed)));
  return solver.solve(cancel);
}

}  // namespace mivex::api
