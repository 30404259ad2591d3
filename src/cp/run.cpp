#include "cp/run.hpp"

namespace mivex::cp {

Outcome<SolverResult> solve_text(std::string_view, Cancel&) {
  throw NotImplemented("solve_cp_text() is not implemented yet");
}

}  // namespace mivex::cp
