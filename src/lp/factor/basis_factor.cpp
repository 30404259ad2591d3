#include "lp/factor/basis_factor.hpp"

#include <algorithm>

#include "core/error.hpp"

namespace mivex::lp {

// t /= the step's pivot, without a division when the pivot is 1 or -1.
void BasisFactor::divide_by_pivot(Rational& t, const Step& s) {
  if (s.unit < 0) {
    t = -t;
  } else if (s.unit == 0) {
    t.div_by(s.pivot);
  }
}

bool BasisFactor::try_factor(std::size_t m, const std::vector<Column>& columns) {
  if (columns.size() != m) stop("basis has the wrong number of columns");
  clear(m);
  for (std::size_t p = 0; p < m; ++p) {
    for (const Entry& e : columns[p]) add(e.index, static_cast<std::uint32_t>(p), e.value);
  }
  return eliminate();
}

void BasisFactor::factor(const StandardForm& form, const std::vector<std::uint32_t>& basis) {
  clear(basis.size());
  // Slack, surplus and artificial columns are +-1 in their own row: they
  // pivot there first and never enter the active matrix.
  for (std::size_t p = 0; p < basis.size(); ++p) {
    if (basis[p] < form.num_structural()) {
      form.for_column(basis[p], [&](std::size_t row, const Rational& v) {
        add(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(p), v);
      });
    } else {
      const StandardForm::Aux& aux = form.aux_of(basis[p]);
      units_.push_back({aux.row, static_cast<std::uint32_t>(p), aux.coef()});
    }
  }
  if (!eliminate()) stop("basis matrix is singular");
  res_.factor(*this, form, basis);
}

std::int64_t BasisFactor::determinant_below(std::int64_t limit) const {
  // The partial products are minors of the basis matrix, so integers too;
  // one past the limit gives up early (only where big minors would cancel
  // down to a small determinant is that an early no).
  Rational det(1);
  for (const Step& s : steps_) {
    if (s.unit != 0) continue;
    det = det * s.pivot;
    if (!det.is_small() || det.num() / det.den() >= limit || det.num() / det.den() <= -limit) return 0;
  }
  if (det.den() != 1) return 0;
  return det.num() < 0 ? -det.num() : det.num();
}

void BasisFactor::clear(std::size_t m) {
  m_ = m;
  steps_.clear();
  l_steps_.clear();
  l_.clear();
  u_.clear();
  etas_.clear();
  eta_index_.clear();
  eta_value_.clear();
  eta_entries_ = 0;
  units_.clear();
  res_.reset();
  // The active submatrix, by rows (entries carry positions) and by columns
  // (row lists only, for counts and for finding the rows to eliminate).
  if (rows_.size() < m) rows_.resize(m);
  if (cols_.size() < m) cols_.resize(m);
  for (std::size_t k = 0; k < m; ++k) {
    rows_[k].clear();
    cols_[k].clear();
  }
}

void BasisFactor::add(std::uint32_t row, std::uint32_t position, const Rational& value) {
  if (value.is_zero()) return;
  rows_[row].push_back({position, value});
  cols_[position].push_back(row);
}

bool BasisFactor::eliminate() {
  start_elimination();
  if (!pivot_units()) return false;
  for (std::size_t step = units_.size(); step < m_; ++step) {
    std::uint32_t prow = 0, pcol = 0;
    if (!choose_pivot(prow, pcol)) return false;
    Step s = take_pivot_row(prow, pcol);
    eliminate_column(s);
    steps_.push_back(std::move(s));
  }
  build_index();
  factor_entries_ = m_;
  for (const Entry& e : l_) factor_entries_ += 1 + e.value.extra_words();
  for (const Entry& e : u_) factor_entries_ += 1 + e.value.extra_words();
  return true;
}

void BasisFactor::start_elimination() {
  const std::size_t m = m_;
  col_done_.assign(m, 0);
  row_done_.assign(m, 0);
  if (bucket_.size() < m + 1) bucket_.resize(m + 1);
  for (std::size_t k = 0; k <= m; ++k) bucket_[k].clear();
  row_singles_.clear();
  for (std::size_t p = 0; p < m; ++p) bucket_[std::min(cols_[p].size(), m)].push_back(static_cast<std::uint32_t>(p));
  for (std::size_t r = 0; r < m; ++r) {
    if (rows_[r].size() == 1) row_singles_.push_back(static_cast<std::uint32_t>(r));
  }
  where_.assign(m, -1);
  pivot_row_.clear();
}

bool BasisFactor::pivot_units() {
  // The rest of a unit column's row goes to U, nothing below.
  for (const Unit& unit : units_) {
    if (row_done_[unit.row]) return false;  // two in one row
    row_done_[unit.row] = 1;
    col_done_[unit.position] = 1;
    Step s{unit.row, unit.position, Rational(unit.sign), unit.sign, l_.size(), l_.size(), u_.size(), u_.size()};
    for (Entry& e : rows_[unit.row]) {
      erase_value(cols_[e.index], unit.row);
      bucket_[cols_[e.index].size()].push_back(e.index);
      u_.push_back(std::move(e));
    }
    rows_[unit.row].clear();
    s.u_end = u_.size();
    steps_.push_back(std::move(s));
  }
  return true;
}

bool BasisFactor::choose_pivot(std::uint32_t& prow, std::uint32_t& pcol) {
  auto valid_in = [&](std::uint32_t p, std::size_t k) { return !col_done_[p] && cols_[p].size() == k; };
  auto& zero = bucket_[0];
  while (!zero.empty()) {
    if (valid_in(zero.back(), 0)) return false;  // an empty column: singular
    zero.pop_back();
  }
  // Column singletons need no elimination; row singletons cause no fill.
  auto& ones = bucket_[1];
  while (!ones.empty()) {
    std::uint32_t p = ones.back();
    ones.pop_back();
    if (valid_in(p, 1)) {
      pcol = p;
      prow = cols_[p][0];
      return true;
    }
  }
  while (!row_singles_.empty()) {
    std::uint32_t r = row_singles_.back();
    row_singles_.pop_back();
    if (!row_done_[r] && rows_[r].size() == 1) {
      prow = r;
      pcol = rows_[r][0].index;
      return true;
    }
  }
  // Markowitz: among a few columns of the lowest count, the entry whose
  // row and column counts promise the least fill.
  bool found = false;
  for (std::size_t k = 2; !found && k <= m_; ++k) {
    auto& list = bucket_[k];
    std::size_t seen = 0;
    std::size_t best_cost = static_cast<std::size_t>(-1);
    for (std::size_t t = 0; t < list.size() && seen < 4;) {
      std::uint32_t p = list[t];
      if (!valid_in(p, k)) {
        list[t] = list.back();
        list.pop_back();
        continue;
      }
      ++seen;
      ++t;
      for (std::uint32_t r : cols_[p]) {
        std::size_t cost = (rows_[r].size() - 1) * (k - 1);
        if (cost < best_cost) {
          best_cost = cost;
          prow = r;
          pcol = p;
          found = true;
        }
      }
    }
  }
  return found;
}

BasisFactor::Step BasisFactor::take_pivot_row(std::uint32_t prow, std::uint32_t pcol) {
  pivot_row_.swap(rows_[prow]);
  rows_[prow].clear();
  row_done_[prow] = 1;
  col_done_[pcol] = 1;
  Step s{prow, pcol, Rational(), 0, l_.size(), l_.size(), u_.size(), u_.size()};
  for (Entry& e : pivot_row_) {
    if (e.index == pcol) {
      s.pivot = e.value;
      continue;
    }
    erase_value(cols_[e.index], prow);
    u_.push_back(e);
  }
  pivot_row_.clear();
  s.u_end = u_.size();
  if (s.pivot == Rational(1)) s.unit = 1;
  if (s.pivot == Rational(-1)) s.unit = -1;
  erase_value(cols_[pcol], prow);
  return s;
}

void BasisFactor::eliminate_column(Step& s) {
  const std::uint32_t pcol = s.col;
  for (std::uint32_t r : cols_[pcol]) l_.push_back({r, eliminate_in_row(s, r)});
  s.l_end = l_.size();
  if (s.l_end != s.l_begin) l_steps_.push_back(static_cast<std::uint32_t>(steps_.size()));
  cols_[pcol].clear();
  // The pivot row left every column it touched: their counts fell.
  for (std::size_t t = s.u_begin; t < s.u_end; ++t) {
    bucket_[cols_[u_[t].index].size()].push_back(u_[t].index);
  }
}

Rational BasisFactor::eliminate_in_row(const Step& s, std::uint32_t r) {
  const std::uint32_t pcol = s.col;
  auto& row = rows_[r];
  auto& where = where_;
  for (std::size_t t = 0; t < row.size(); ++t) where[row[t].index] = static_cast<std::int32_t>(t);
  Rational mult = row[static_cast<std::size_t>(where[pcol])].value / s.pivot;
  row[static_cast<std::size_t>(where[pcol])].value = Rational();
  for (std::size_t t = s.u_begin; t < s.u_end; ++t) {
    const Entry& e = u_[t];
    std::int32_t at = where[e.index];
    if (at >= 0) {
      row[static_cast<std::size_t>(at)].value.sub_mul(mult, e.value);
    } else {
      Rational v;
      v.sub_mul(mult, e.value);
      where[e.index] = static_cast<std::int32_t>(row.size());
      row.push_back({e.index, std::move(v)});
      cols_[e.index].push_back(r);
      bucket_[std::min(cols_[e.index].size(), m_)].push_back(e.index);
    }
  }
  // Drop the entries that became zero (the pivot column's among them).
  std::size_t kept = 0;
  for (std::size_t t = 0; t < row.size(); ++t) {
    where[row[t].index] = -1;
    if (row[t].value.is_zero()) {
      if (row[t].index != pcol) {
        erase_value(cols_[row[t].index], r);
        bucket_[cols_[row[t].index].size()].push_back(row[t].index);
      }
      continue;
    }
    if (kept != t) row[kept] = std::move(row[t]);
    ++kept;
  }
  row.resize(kept);
  if (row.size() == 1) row_singles_.push_back(r);
  return mult;
}

void BasisFactor::build_index() {
  index_.build(m_, steps_, l_.size(), [&](std::size_t t) { return l_[t].index; }, u_.size(),
               [&](std::size_t t) { return u_[t].index; });
  sparse_work_.resize(m_);  // all zero: the solves leave it so
  step_bits_.assign(3 * ((m_ + 63) / 64), 0);
}

void BasisFactor::update(std::size_t position, const std::vector<Rational>& alpha,
                         const std::vector<std::uint32_t>& nz, std::uint32_t column) {
  if (alpha[position].is_zero()) stop("pivot value is zero");
  if (res_.on()) res_.update(m_, position, column);
  Eta eta{static_cast<std::uint32_t>(position), alpha[position], eta_index_.size(), 0};
  eta_entries_ += 1 + alpha[position].extra_words();
  for (std::uint32_t i : nz) {
    if (i != position && !alpha[i].is_zero()) {
      eta_index_.push_back(i);
      eta_value_.push_back(alpha[i]);
      eta_entries_ += 1 + alpha[i].extra_words();
    }
  }
  eta.end = eta_index_.size();
  etas_.push_back(std::move(eta));
}

void BasisFactor::ftran(std::vector<Rational>& vec) const {
  // Raw pointers: the compiler cannot tell that the arithmetic leaves the
  // vectors' buffers alone, and would reload them every entry.
  Rational* v = vec.data();
  const Entry* l = l_.data();
  for (std::uint32_t k : l_steps_) {
    const Step& s = steps_[k];
    const Rational& vp = v[s.row];
    if (vp.is_zero()) continue;
    for (std::size_t t = s.l_begin; t < s.l_end; ++t) v[l[t].index].sub_mul(l[t].value, vp);
  }
  // Every position is the pivot column of exactly one step: once a step's
  // x entry is known, it is taken out of the rows of the steps before it.
  auto& out = scratch_;
  out.resize(m_);
  Rational* x = out.data();
  const LuIndex::UColumnEntry* u_col = index_.u_by_col.data();
  const Entry* u = u_.data();
  const std::uint32_t* u_start = index_.u_col_start.data();
  for (std::size_t k = steps_.size(); k-- > 0;) {
    const Step& s = steps_[k];
    Rational& t = v[s.row];
    if (!t.is_zero()) {
      divide_by_pivot(t, s);
      for (std::uint32_t q = u_start[s.col]; q < u_start[s.col + 1]; ++q) v[u_col[q].row].sub_mul(u[u_col[q].index].value, t);
    }
    x[s.col] = std::move(t);
  }
  vec.swap(out);
  v = vec.data();
  const std::uint32_t* index = eta_index_.data();
  const Rational* value = eta_value_.data();
  for (const Eta& eta : etas_) {
    Rational& xr = v[eta.position];
    if (xr.is_zero()) continue;
    xr.div_by(eta.pivot);
    for (std::size_t q = eta.begin; q < eta.end; ++q) v[index[q]].sub_mul(value[q], xr);
  }
}

void BasisFactor::etas_transposed(Rational* w) const {
  const std::uint32_t* index = eta_index_.data();
  const Rational* value = eta_value_.data();
  for (std::size_t k = etas_.size(); k-- > 0;) {
    const Eta& eta = etas_[k];
    Rational& t = w[eta.position];
    for (std::size_t q = eta.begin; q < eta.end; ++q) {
      const Rational& wi = w[index[q]];
      if (!wi.is_zero()) t.sub_mul(value[q], wi);
    }
    if (!t.is_zero()) t.div_by(eta.pivot);
  }
}

void BasisFactor::btran(std::vector<Rational>& vec) const {
  if (res_.on() && res_.btran(*this, vec)) return;
  Rational* w = vec.data();
  etas_transposed(w);
  // Every row is the pivot row of exactly one step: z is written whole.
  auto& out = scratch_;
  out.resize(m_);
  Rational* z = out.data();
  const Entry* u = u_.data();
  for (const Step& s : steps_) {
    Rational& t = w[s.col];
    if (!t.is_zero()) {
      divide_by_pivot(t, s);
      for (std::size_t q = s.u_begin; q < s.u_end; ++q) w[u[q].index].sub_mul(u[q].value, t);
    }
    z[s.row] = std::move(t);
  }
  const Entry* l = l_.data();
  for (std::size_t k = l_steps_.size(); k-- > 0;) {
    const Step& s = steps_[l_steps_[k]];
    Rational& t = z[s.row];
    for (std::size_t q = s.l_begin; q < s.l_end; ++q) {
      const Rational& zr = z[l[q].index];
      if (!zr.is_zero()) t.sub_mul(l[q].value, zr);
    }
  }
  vec.swap(out);
}

}  // namespace mivex::lp
