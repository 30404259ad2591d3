#include "lp/factor/standard_form.hpp"

#include "core/error.hpp"
#include "linear/product_sum.hpp"

namespace mivex::lp {

using linear::CmpOp;
using linear::ObjectiveSense;

std::shared_ptr<const StandardForm> StandardForm::of(const LinearSystem& system) {
  auto form = std::make_shared<StandardForm>();
  form->n_ = system.variables.size();
  form->cost_.assign(form->n_, Rational());
  if (system.objective) {
    form->maximize_ = system.objective->sense == ObjectiveSense::Maximize;
    for (const auto& term : system.objective->expr.terms) {
      if (term.var >= form->n_) stop("constraint names an unknown variable");
      form->cost_[term.var] = form->maximize_ ? -term.coef : term.coef;
    }
  }
  form->row_aux_.push_back(form->n_);
  form->add_rows(system.constraints);
  return form;
}

Rational StandardForm::objective_at(const std::vector<Rational>& x) const {
  linear::ProductSum sum(linear::ProductSum::Words::Apart);
  for (std::size_t j = 0; j < n_ && j < x.size(); ++j) sum.add(cost_[j], x[j]);
  return sum.value();
}

std::shared_ptr<const StandardForm> StandardForm::extend(std::shared_ptr<const StandardForm> base,
                                                         const std::vector<LinearConstraint>& extra) {
  auto form = std::make_shared<StandardForm>();
  form->n_ = base->n_;
  form->maximize_ = base->maximize_;
  form->row_offset_ = base->num_rows();
  form->rhs_ = base->rhs_;
  form->cost_ = base->cost_;
  form->aux_ = base->aux_;
  form->start_basic_ = base->start_basic_;
  form->row_aux_ = base->row_aux_;
  form->base_ = std::move(base);
  form->add_rows(extra);
  return form;
}

void StandardForm::add_rows(const std::vector<LinearConstraint>& constraints) {
  // Rows first (terms arrive sorted by variable), then the column lists by
  // a counting pass over them.
  for (const auto& c : constraints) {
    const std::uint32_t row = static_cast<std::uint32_t>(rhs_.size());
    // The constraint is terms + constant (op) 0, so its right-hand side is
    // -constant; a row with a negative one is stored negated.
    const bool negated = c.expr.constant.is_positive();
    for (const auto& term : c.expr.terms) {
      if (term.var >= n_) stop("constraint names an unknown variable");
      rows_.entries.push_back({static_cast<std::uint32_t>(term.var), negated ? -term.coef : term.coef});
    }
    rows_.start.push_back(rows_.entries.size());
    rhs_.push_back(negated ? c.expr.constant : -c.expr.constant);

    CmpOp op = c.op;
    if (negated && op != CmpOp::Eq) op = op == CmpOp::Le ? CmpOp::Ge : CmpOp::Le;
    const auto next = static_cast<std::uint32_t>(n_ + aux_.size());
    switch (op) {
      case CmpOp::Le:
        aux_.push_back({row, AuxKind::Slack});
        start_basic_.push_back(next);
        break;
      case CmpOp::Eq:
        aux_.push_back({row, AuxKind::Artificial});
        start_basic_.push_back(next);
        break;
      case CmpOp::Ge:
        aux_.push_back({row, AuxKind::Surplus});
        aux_.push_back({row, AuxKind::Artificial});
        start_basic_.push_back(next + 1);
        break;
    }
    row_aux_.push_back(n_ + aux_.size());
  }

  std::vector<std::size_t> count(n_ + 1, 0);
  for (const Entry& e : rows_.entries) ++count[e.index + 1];
  cols_.start.assign(n_ + 1, 0);
  for (std::size_t j = 0; j < n_; ++j) cols_.start[j + 1] = cols_.start[j] + count[j + 1];
  cols_.entries.resize(rows_.entries.size());
  std::vector<std::size_t> fill(cols_.start.begin(), cols_.start.end() - 1);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    for (const Entry* e = rows_.begin(i); e != rows_.end(i); ++e) {
      cols_.entries[fill[e->index]++] = {static_cast<std::uint32_t>(i), e->value};
    }
  }
}

std::size_t StandardForm::own_bytes() const {
  return 2 * rows_.entries.size() * sizeof(Entry) + (rows_.start.size() + cols_.start.size()) * sizeof(std::size_t) +
         (rhs_.size() + cost_.size()) * sizeof(Rational) + aux_.size() * sizeof(Aux) +
         (start_basic_.size() + row_aux_.size()) * sizeof(std::size_t);
}

}  // namespace mivex::lp
