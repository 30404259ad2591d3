#include "milp/run.hpp"

namespace mivex::milp {

Outcome<LpResult> solve_text(std::string_view, Cancel&) {
  throw NotImplemented("solve_milp_text() is not implemented yet");
}

}  // namespace mivex::milp
