#include "exact/exact_number.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>

#include <gmp.h>

namespace mivex::exact {

using linear::Rational;

namespace {

bool all_digits(std::string_view s) {
  for (char ch : s) {
    if (ch < '0' || ch > '9') return false;
  }
  return true;
}

// The exponent after 'e', capped; nothing when malformed or out of range.
std::optional<long> read_exponent(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || !all_digits(text)) return std::nullopt;
  while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
  if (text.size() > 6) return std::nullopt;
  long value = std::strtol(std::string(text).c_str(), nullptr, 10);
  if (value > kMaxExponent) return std::nullopt;
  return negative ? -value : value;
}

// digits * 10^exponent, negated when asked.
Rational scaled(const std::string& digits, long exponent, bool negative) {
  // Most numbers of a model fit in machine words: no GMP for them.
  if (digits.size() <= 18 && exponent > -19 && exponent < 19 - static_cast<long>(digits.size())) {
    std::int64_t value = std::strtoll(digits.c_str(), nullptr, 10);
    std::int64_t power = 1;
    for (long k = 0; k < (exponent < 0 ? -exponent : exponent); ++k) power *= 10;
    if (negative) value = -value;
    return exponent < 0 ? Rational(value, power) : Rational(value * power);
  }
  mpq_t q;
  mpq_init(q);
  mpz_set_str(mpq_numref(q), digits.c_str(), 10);
  mpz_t power;
  mpz_init(power);
  mpz_ui_pow_ui(power, 10, static_cast<unsigned long>(exponent < 0 ? -exponent : exponent));
  if (exponent < 0) {
    mpz_set(mpq_denref(q), power);
  } else {
    mpz_mul(mpq_numref(q), mpq_numref(q), power);
  }
  mpz_clear(power);
  mpq_canonicalize(q);
  if (negative) mpq_neg(q, q);
  Rational value = Rational::from_mpq(q);
  mpq_clear(q);
  return value;
}

}  // namespace

std::optional<Rational> parse_decimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  long exponent = 0;
  const std::size_t e = text.find_first_of("eEdD");
  if (e != std::string_view::npos) {
    auto value = read_exponent(text.substr(e + 1));
    if (!value) return std::nullopt;
    exponent = *value;
    text = text.substr(0, e);
  }
  const std::size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  if (!all_digits(whole) || !all_digits(fraction)) return std::nullopt;
  if (fraction.size() > static_cast<std::size_t>(kMaxExponent)) return std::nullopt;
  std::string digits(whole);
  digits += fraction;
  while (digits.size() > 1 && digits.front() == '0') digits.erase(0, 1);
  if (digits == "0") return Rational();
  exponent -= static_cast<long>(fraction.size());
  if (exponent < -2 * kMaxExponent) return std::nullopt;
  return scaled(digits, exponent, negative);
}

std::optional<Rational> parse_number(std::string_view text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return parse_decimal(text);
  std::string_view num = text.substr(0, slash);
  std::string_view den = text.substr(slash + 1);
  bool negative = !num.empty() && num.front() == '-';
  if (!num.empty() && (num.front() == '-' || num.front() == '+')) num.remove_prefix(1);
  if (num.empty() || den.empty() || !all_digits(num) || !all_digits(den)) return std::nullopt;
  mpq_t q;
  mpq_init(q);
  mpz_set_str(mpq_numref(q), std::string(num).c_str(), 10);
  mpz_set_str(mpq_denref(q), std::string(den).c_str(), 10);
  std::optional<Rational> value;
  if (mpz_sgn(mpq_denref(q)) != 0) {
    mpq_canonicalize(q);
    if (negative) mpq_neg(q, q);
    value = Rational::from_mpq(q);
  }
  mpq_clear(q);
  return value;
}

}  // namespace mivex::exact
