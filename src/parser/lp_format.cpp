#include "parser/lp_format.hpp"

#include <optional>
#include <utility>
#include <vector>

#include "parser/lp_alphabetic.hpp"
#include "parser/lp_number.hpp"
#include "parser/text_lines.hpp"

namespace mivex::parser {

using linear::CmpOp;
using linear::LinearConstraint;
using linear::LinearExpr;
using linear::LinearSystem;
using linear::ObjectiveSense;
using linear::Rational;
using linear::Term;

namespace {

struct PendingConstraint {
  std::string_view left;
  CmpOp op;
  double rhs;
};

std::string_view strip_semicolons(std::string_view text) {
  while (!text.empty() && text.back() == ';') text.remove_suffix(1);
  return text;
}

// The index k when `name` is "x" followed by k in decimal (no leading zeros)
// and k names an existing variable.
std::optional<std::uint64_t> canonical_index(std::string_view name, const LinearSystem& system) {
  if (name.size() < 2 || name.size() > 21 || name[0] != 'x') return std::nullopt;
  std::string_view digits = name.substr(1);
  if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
  unsigned __int128 k = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    k = k * 10 + static_cast<unsigned>(c - '0');
  }
  if (k >= system.variables.size()) return std::nullopt;
  return static_cast<std::uint64_t>(k);
}

// Decode the UTF-8 character at `pos`; advances `pos`. Invalid bytes read
// as themselves (they are never alphabetic).
char32_t next_code_point(std::string_view text, std::size_t& pos) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char b0 = byte(pos);
  std::size_t len = b0 < 0x80 ? 1 : b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 1;
  if (pos + len > text.size()) len = 1;
  char32_t c = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
  for (std::size_t k = 1; k < len; ++k) c = (c << 6) | (byte(pos + k) & 0x3F);
  pos += len;
  return c;
}

bool has_alphabetic(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    if (is_alphabetic(next_code_point(text, pos))) return true;
  }
  return false;
}

// The signed pieces of an expression: "+" and "-" end a piece and set the
// sign of the next; spaces and tabs inside a piece become one space each.
std::vector<std::pair<std::string, int>> split_pieces(std::string_view text) {
  std::vector<std::pair<std::string, int>> pieces;
  std::string current;
  int sign = 1;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!current.empty()) current += ' ';
    } else if (c == '+' || c == '-') {
      if (!current.empty()) pieces.emplace_back(std::move(current), sign);
      current.clear();
      sign = c == '+' ? 1 : -1;
    } else {
      current += c;
    }
  }
  if (!current.empty()) pieces.emplace_back(std::move(current), sign);
  return pieces;
}

}  // namespace

std::uint64_t get_var(std::string_view name, LinearSystem& system) {
  if (auto k = canonical_index(trim(name), system)) return *k;
  return system.new_variable();
}

ExprParse parse_expr(std::string_view text, LinearSystem& system) {
  text = trim(text);
  std::vector<Term> terms;
  Rational constant;
  for (auto& [piece, sign] : split_pieces(text)) {
    std::string_view t = trim(piece);
    if (t.empty()) continue;
    if (std::size_t slash = t.find('/'); slash != std::string_view::npos) {
      auto num = parse_float(trim(t.substr(0, slash)));
      if (!num) return "bad num in " + std::string(t);
      auto den = parse_float(trim(t.substr(slash + 1)));
      if (!den) return "bad den in " + std::string(t);
      Rational value = Rational::from_f64(*num / *den);
      constant = constant + (sign < 0 ? -value : value);
    } else if (std::size_t star = t.find('*'); star != std::string_view::npos) {
      auto coef = parse_float(trim(t.substr(0, star)));
      if (!coef) return "bad coeff in " + std::string(t);
      std::uint64_t var = get_var(t.substr(star + 1), system);
      terms.push_back({Rational::from_f64(*coef * sign), var});
    } else if (has_alphabetic(t)) {
      terms.push_back({Rational(sign), get_var(t, system)});
    } else {
      auto value = parse_float(t);
      if (!value) return "bad constant in " + std::string(t);
      constant = constant + Rational::from_f64(*value * sign);
    }
  }
  // Adding the pieces one by one gives this same canonical form.
  return LinearExpr::canonical(std::move(terms), std::move(constant));
}

LpParse LpFormatParser::parse(std::string_view text) {
  std::optional<std::pair<ObjectiveSense, std::string_view>> objective_text;
  std::vector<std::string_view> int_names;
  std::vector<PendingConstraint> pending;

  LineReader reader(text);
  std::string_view raw;
  while (reader.next(raw)) {
    std::string_view line = trim(raw);
    if (line.empty() || line[0] == '#' || line[0] == 'c') continue;
    if (line == "end") break;
    std::string_view head = line.substr(0, 4);
    if (line.size() > 3 && (head == "min " || head == "max ")) {
      ObjectiveSense sense = head == "min " ? ObjectiveSense::Minimize : ObjectiveSense::Maximize;
      objective_text.emplace(sense, strip_semicolons(line.substr(4)));
      continue;
    }
    if (head == "int ") {
      int_names.push_back(trim(line.substr(4)));
      continue;
    }
    CmpOp op = CmpOp::Le;
    std::size_t at = line.find("<=");
    std::size_t width = 2;
    if (at == std::string_view::npos) {
      op = CmpOp::Ge;
      at = line.find(">=");
    }
    if (at == std::string_view::npos) {
      op = CmpOp::Eq;
      at = line.find('=');
      width = 1;
    }
    if (at == std::string_view::npos) {
      return "line " + std::to_string(reader.number()) + ": bad syntax: " + std::string(line);
    }
    std::string_view rhs_text = trim(strip_semicolons(trim(line.substr(at + width))));
    auto rhs = parse_float(rhs_text);
    if (!rhs) return "bad number: " + std::string(rhs_text);
    pending.push_back({trim(line.substr(0, at)), op, *rhs});
  }

  LinearSystem system;
  if (objective_text) {
    ExprParse expr = parse_expr(objective_text->second, system);
    if (auto* message = std::get_if<std::string>(&expr)) return std::move(*message);
    system.objective = linear::Objective{objective_text->first, std::move(std::get<LinearExpr>(expr))};
  }
  system.constraints.reserve(pending.size());
  for (const PendingConstraint& p : pending) {
    ExprParse left = parse_expr(p.left, system);
    if (auto* message = std::get_if<std::string>(&left)) return std::move(*message);
    LinearExpr expr = std::move(std::get<LinearExpr>(left)) -
                      LinearExpr::constant_of(Rational::from_f64(p.rhs));
    system.add_constraint(LinearConstraint{std::move(expr), p.op, std::nullopt});
  }
  // Marks go on after every variable exists, so "int xK" reaches xK wherever
  // it first occurs.
  for (std::string_view name : int_names) {
    if (auto k = canonical_index(name, system)) system.set_integer(*k);
  }
  return system;
}

}  // namespace mivex::parser
