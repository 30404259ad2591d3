#include "exact/lp_text_model.hpp"

#include "parser/lp_format.hpp"

namespace mivex::exact {

using linear::CmpOp;

namespace {

Model model_of(const linear::LinearSystem& system) {
  Model model;
  for (std::uint64_t k = 0; k < system.num_variables(); ++k) {
    Column c;
    c.name = "x" + std::to_string(k);
    c.integer = system.var_info(k).is_integer;
    model.columns.push_back(std::move(c));
  }
  if (system.objective) {
    model.maximize = system.objective->sense == linear::ObjectiveSense::Maximize;
    model.objective_constant = system.objective->expr.constant;
    for (const linear::Term& t : system.objective->expr.terms) model.columns[t.var].cost = t.coef;
  }
  for (std::size_t i = 0; i < system.constraints.size(); ++i) {
    const linear::LinearConstraint& c = system.constraints[i];
    Row row;
    row.name = c.name ? *c.name : "c" + std::to_string(i + 1);
    const Rational rhs = -c.expr.constant;
    if (c.op != CmpOp::Le) row.lower = rhs;
    if (c.op != CmpOp::Ge) row.upper = rhs;
    for (const linear::Term& t : c.expr.terms) model.entries.push_back(MatrixEntry{i, t.var, t.coef});
    model.rows.push_back(std::move(row));
  }
  return model;
}

}  // namespace

std::variant<Model, std::string> lp_text_model(std::string_view text) {
  parser::LpParse parsed = parser::LpFormatParser::parse(text);
  if (auto* message = std::get_if<std::string>(&parsed)) return std::move(*message);
  return model_of(std::get<linear::LinearSystem>(parsed));
}

}  // namespace mivex::exact
