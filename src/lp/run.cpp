#include "lp/run.hpp"

namespace mivex::lp {

Outcome<LpResult> solve_text(std::string_view, Cancel&) {
  throw NotImplemented("solve_lp_text() is not implemented yet");
}

}  // namespace mivex::lp
