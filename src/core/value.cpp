#include "core/value.hpp"

#include <cstdlib>

#include "core/float_text.hpp"

namespace mivex {

double Value::as_f64() const {
  switch (tag_) {
    case Tag::Bool: return int_ != 0 ? 1.0 : 0.0;
    case Tag::Int: return static_cast<double>(int_);
    case Tag::Float: return float_;
    case Tag::BigInt: return std::strtod(decimal_.c_str(), nullptr);
  }
  return 0.0;
}

std::string Value::text() const {
  switch (tag_) {
    case Tag::Bool: return int_ != 0 ? "true" : "false";
    case Tag::Int: return std::to_string(int_);
    case Tag::Float: return float_text(float_);
    case Tag::BigInt: return decimal_;
  }
  return {};
}

}  // namespace mivex
