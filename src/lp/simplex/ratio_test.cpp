// Choosing the leaving position: the smallest ratio x_p / alpha_p over the
// positions with alpha_p > 0; ties go to the lowest position, or under
// Bland's rule to the position whose basic column has the lowest index.
// A zero ratio (a degenerate row) is always minimal; otherwise doubles narrow
// the candidates and exact cross-multiplication decides among them.
#include <cmath>

#include "lp/simplex/double_image.hpp"
#include "lp/simplex/revised_simplex.hpp"

namespace mivex::lp {

namespace {

// x / a in doubles, or NaN (coarse) when either image is too coarse.
double ratio_image(const linear::Rational& x, const linear::Rational& a) {
  double xd = x.to_f64(), ad = a.to_f64();
  if (coarse(xd) || coarse(ad)) return NAN;
  return xd / ad;
}

}  // namespace

std::optional<std::size_t> RevisedSimplex::find_leaving(bool bland) const {
  // Positions come in increasing order, so "first" means "lowest position".
  auto before = [&](std::size_t p, std::size_t best) { return bland && basis_[p] < basis_[best]; };
  std::size_t best = m_;
  for (std::uint32_t p : alpha_nz_) {
    if (!x_[p].is_zero() || !alpha_[p].is_positive()) continue;
    if (best == m_ || before(p, best)) best = p;
  }
  if (best != m_) return best;

  // The positions with alpha_p > 0 and their ratio images.
  auto& images = ratio_images_;
  images.clear();
  double low = HUGE_VAL;
  for (std::uint32_t p : alpha_nz_) {
    if (!alpha_[p].is_positive()) continue;
    double r = ratio_image(x_[p], alpha_[p]);
    images.emplace_back(p, r);
    if (!coarse(r) && r < low) low = r;
  }
  const double ceiling = low * (1.0 + kSlack);
  for (const auto& [p, r] : images) {
    if (r > ceiling && !coarse(r)) continue;
    if (best == m_) {
      best = p;
      continue;
    }
    auto order = x_[p] * alpha_[best] <=> x_[best] * alpha_[p];
    if (order < 0 || (order == 0 && before(p, best))) best = p;
  }
  if (best == m_) return std::nullopt;
  return best;
}

}  // namespace mivex::lp
