#include "lp/run.hpp"

#include <utility>

#include "lp/solver.hpp"
#include "parser/lp_format.hpp"

namespace mivex::lp {

Outcome<LpResult> solve_text(std::string_view text, Cancel& cancel) {
  parser::LpParse parsed = parser::LpFormatParser::parse(text);
  if (auto* message = std::get_if<std::string>(&parsed)) return ReaderMessage{std::move(*message)};
  LpSolver solver(std::move(std::get<linear::LinearSystem>(parsed)));
  return solver.solve(cancel);
}

}  // namespace mivex::lp
