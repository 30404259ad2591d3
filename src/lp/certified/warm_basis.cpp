#include "lp/certified/warm_basis.hpp"

namespace mivex::lp {

namespace {

std::uint8_t status(WarmStatus s) { return static_cast<std::uint8_t>(s); }

// A nonbasic row's activity sits at its right-hand side, as the engine
// marks it: the upper end of a <= row, the lower end of a >= row, fixed for
// an equation.
WarmStatus at_rhs(linear::CmpOp op) {
  switch (op) {
    case linear::CmpOp::Le: return WarmStatus::AtUpper;
    case linear::CmpOp::Ge: return WarmStatus::AtLower;
    case linear::CmpOp::Eq: break;
  }
  return WarmStatus::Fixed;
}

}  // namespace

std::optional<WarmBasis> warm_basis_of(const StandardForm& form, const std::vector<std::uint32_t>& basis,
                                       const linear::LinearSystem& system,
                                       const std::vector<linear::LinearConstraint>* extra) {
  const std::size_t n = form.num_structural();
  const std::size_t own = system.constraints.size();
  const std::size_t m = own + (extra != nullptr ? extra->size() : 0);
  if (form.num_rows() != m) return std::nullopt;
  WarmBasis b;
  b.column.assign(n, status(WarmStatus::AtLower));
  b.row.resize(m);
  for (std::size_t i = 0; i < m; ++i) b.row[i] = status(at_rhs(i < own ? system.constraints[i].op : (*extra)[i - own].op));
  for (std::uint32_t col : basis) {
    std::uint8_t& s = col < n ? b.column[col] : b.row[form.aux_of(col).row];
    if (s == status(WarmStatus::Basic)) return std::nullopt;
    s = status(WarmStatus::Basic);
  }
  return b;
}

}  // namespace mivex::lp
