// The few ways a solve can stop early. Solvers and readers never touch
// Python; the module boundary maps each of these to a Python exception.
#pragma once

#include <stdexcept>
#include <string>

namespace mivex {

// A broken internal invariant ("pivot value is zero", ...). The message is
// fixed text; the caller sees it unchanged as the single exception argument.
class Stop : public std::runtime_error {
 public:
  explicit Stop(const std::string& message) : std::runtime_error(message) {}
};

// Raise a stop; kept out of line so hot callers stay small.
[[noreturn]] void stop(const char* message);

// The cancellation callback reported a pending interrupt. The host already
// knows why (for Python: the KeyboardInterrupt is set), so this carries nothing.
class Interrupted : public std::exception {
 public:
  const char* what() const noexcept override { return "interrupted"; }
};

// Refusing work whose memory the machine cannot hold, before allocating it.
class MemoryRefusal : public std::runtime_error {
 public:
  explicit MemoryRefusal(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace mivex
