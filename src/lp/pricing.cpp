// Choosing the entering column: Dantzig's rule (the most negative reduced
// cost, lowest index on ties) or Bland's (the lowest index with a negative
// one). Doubles narrow Dantzig's scan to the near-best columns; the exact
// comparison among those decides.
#include <cmath>

#include "lp/revised_simplex.hpp"

namespace mivex::lp {

namespace {

// A double image of a rational is within a few ulps of it while it is a
// normal number; anything within this factor of the best could be the best.
constexpr double kSlack = 1e-9;
// Below this, or at infinity, an image is too coarse to exclude anything.
constexpr double kTiny = 1e-290;

bool coarse(double v) { return !(v > kTiny) || std::isinf(v); }

}  // namespace

std::optional<std::size_t> RevisedSimplex::find_entering(bool skip_artificial) const {
  auto eligible = [&](std::size_t j) {
    return d_[j].is_negative() && !(skip_artificial && form_->is_artificial(j));
  };
  double top = 0.0;
  bool found = false;
  for (std::size_t j = 0; j < cols_; ++j) {
    if (!eligible(j)) continue;
    found = true;
    if (!coarse(gain_[j]) && gain_[j] > top) top = gain_[j];
  }
  if (!found) return std::nullopt;
  const double floor = top * (1.0 - kSlack);
  std::size_t best = cols_;
  for (std::size_t j = 0; j < cols_; ++j) {
    if (!eligible(j) || (gain_[j] < floor && !coarse(gain_[j]))) continue;
    if (best == cols_ || d_[j] < d_[best]) best = j;
  }
  if (best == cols_) return std::nullopt;
  return best;
}

std::optional<std::size_t> RevisedSimplex::find_entering_bland(bool skip_artificial) const {
  for (std::size_t j = 0; j < cols_; ++j) {
    if (d_[j].is_negative() && !(skip_artificial && form_->is_artificial(j))) return j;
  }
  return std::nullopt;
}

}  // namespace mivex::lp
