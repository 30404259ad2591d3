#include "core/error.hpp"

namespace mivex {

void stop(const char* message) { throw Stop(message); }

}  // namespace mivex
