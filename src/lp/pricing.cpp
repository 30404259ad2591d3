// Choosing the entering column: Dantzig's rule (the most negative reduced
// cost, lowest index on ties) or Bland's (the lowest index with a negative
// one). Doubles narrow Dantzig's scan to the near-best columns; the exact
// comparison among those decides.
#include "lp/double_image.hpp"
#include "lp/revised_simplex.hpp"

namespace mivex::lp {

std::optional<std::size_t> RevisedSimplex::find_entering(bool skip_artificial) const {
  // One pass keeps the columns whose image is within kSlack of the best
  // image so far (and the coarse ones); the exact comparison decides among them.
  auto& near = candidates_;
  near.clear();
  double top = 0.0;
  for (std::size_t j = 0; j < cols_; ++j) {
    const double g = gain_[j];
    if (!(g > 0.0) || g < top * (1.0 - kSlack)) continue;  // gain_ > 0 exactly when d_j < 0
    if (skip_artificial && form_->is_artificial(j)) continue;
    if (!coarse(g) && g > top) {
      top = g;
      const double floor = top * (1.0 - kSlack);
      std::size_t kept = 0;
      for (std::uint32_t k : near) {
        if (gain_[k] >= floor || coarse(gain_[k])) near[kept++] = k;
      }
      near.resize(kept);
    }
    near.push_back(static_cast<std::uint32_t>(j));
  }
  if (near.empty()) return std::nullopt;
  std::size_t best = near[0];
  for (std::size_t k = 1; k < near.size(); ++k) {
    if (d_[near[k]] < d_[best]) best = near[k];
  }
  return best;
}

std::optional<std::size_t> RevisedSimplex::find_entering_bland(bool skip_artificial) const {
  for (std::size_t j = 0; j < cols_; ++j) {
    if (gain_[j] > 0.0 && !(skip_artificial && form_->is_artificial(j))) return j;
  }
  return std::nullopt;
}

}  // namespace mivex::lp
