// One variable's value in a model.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace mivex {

class Value {
 public:
  enum class Tag : std::uint8_t { Bool = 0, Int = 1, Float = 2, BigInt = 3 };

  static Value boolean(bool b) { return Value(Tag::Bool, b ? 1 : 0, 0.0, {}); }
  static Value integer(std::int64_t i) { return Value(Tag::Int, i, 0.0, {}); }
  static Value floating(double d) { return Value(Tag::Float, 0, d, {}); }
  // An exact integer beyond 64 bits, as decimal digits with an optional '-'.
  static Value big_integer(std::string decimal) {
    return Value(Tag::BigInt, 0, 0.0, std::move(decimal));
  }

  Tag tag() const { return tag_; }
  bool as_bool() const { return int_ != 0; }
  std::int64_t as_int() const { return int_; }
  double as_float() const { return float_; }
  const std::string& as_decimal() const { return decimal_; }

  // The value read as a float: true -> 1.0, integers rounded to nearest.
  double as_f64() const;
  // "true"/"false", the integer in decimal, or the float text form.
  std::string text() const;

  bool operator==(const Value& other) const = default;

 private:
  Value(Tag tag, std::int64_t i, double d, std::string decimal)
      : tag_(tag), int_(i), float_(d), decimal_(std::move(decimal)) {}

  Tag tag_;
  std::int64_t int_;
  double float_;
  std::string decimal_;
};

}  // namespace mivex
