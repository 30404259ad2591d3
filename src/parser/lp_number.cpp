#include "parser/lp_number.hpp"

#include <charconv>
#include <cmath>
#include <limits>

namespace mivex::parser {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool equals_ignoring_case(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<double> parse_float(std::string_view text) {
  bool negative = false;
  std::string_view body = text;
  if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
    negative = body[0] == '-';
    body.remove_prefix(1);
  }
  if (equals_ignoring_case(body, "inf") || equals_ignoring_case(body, "infinity")) {
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  }
  if (equals_ignoring_case(body, "nan")) return std::numeric_limits<double>::quiet_NaN();

  // Validate the grammar ourselves; from_chars accepts a wider one.
  std::size_t i = 0, n = body.size();
  std::size_t int_digits = 0, frac_digits = 0;
  while (i < n && is_digit(body[i])) ++i, ++int_digits;
  if (i < n && body[i] == '.') {
    ++i;
    while (i < n && is_digit(body[i])) ++i, ++frac_digits;
  }
  if (int_digits + frac_digits == 0) return std::nullopt;
  std::size_t mantissa_end = i;
  long long exponent = 0;
  if (i < n && (body[i] == 'e' || body[i] == 'E')) {
    ++i;
    bool exp_negative = false;
    if (i < n && (body[i] == '+' || body[i] == '-')) exp_negative = body[i++] == '-';
    std::size_t exp_digits = 0;
    while (i < n && is_digit(body[i])) {
      if (exponent < 1000000000) exponent = exponent * 10 + (body[i] - '0');
      ++i, ++exp_digits;
    }
    if (exp_digits == 0) return std::nullopt;
    if (exp_negative) exponent = -exponent;
  }
  if (i != n) return std::nullopt;

  double value = 0.0;
  auto [end, ec] = std::from_chars(body.data(), body.data() + n, value);
  if (ec == std::errc::result_out_of_range) {
    // Overflow or underflow: tell them apart by the decimal exponent of the
    // leading nonzero digit.
    long long lead = 0;
    bool found = false;
    for (std::size_t k = 0, pos = 0; k < mantissa_end; ++k) {
      if (body[k] == '.') continue;
      if (body[k] != '0') {
        lead = static_cast<long long>(int_digits) - 1 - static_cast<long long>(pos);
        found = true;
        break;
      }
      ++pos;
    }
    value = found && lead + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (ec != std::errc() || end != body.data() + n) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace mivex::parser
