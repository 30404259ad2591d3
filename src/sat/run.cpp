#include "sat/run.hpp"

namespace mivex::sat {

Outcome<SolverResult> solve_text(std::string_view, Cancel&) {
  throw NotImplemented("solve_sat() is not implemented yet");
}

}  // namespace mivex::sat
