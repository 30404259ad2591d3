// Cooperative cancellation. Long loops (conflicts, pivots, search nodes) call
// tick() or check(); when the host's poll reports a pending interrupt, the
// solver unwinds by throwing Interrupted. The default instance never fires,
// so results of uninterrupted solves do not depend on it.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/error.hpp"

namespace mivex {

class Cancel {
 public:
  using Poll = bool (*)(void* context);

  Cancel() = default;
  Cancel(Poll poll, void* context) : poll_(poll), context_(context) {}

  // Poll now. Use at coarse steps (an LP pivot, a branch-and-bound node).
  void check() {
    if (poll_ != nullptr && poll_(context_)) throw Interrupted();
  }

  // Poll once every kStride calls. Use at fine steps (a conflict, a CP node).
  void tick() {
    if (--countdown_ == 0) {
      countdown_ = kStride;
      check();
    }
  }

  // Fires once `flag` is set: how another thread stops a solve it started.
  static Cancel when(const std::atomic<bool>& flag) {
    return Cancel([](void* f) { return static_cast<const std::atomic<bool>*>(f)->load(std::memory_order_relaxed); },
                  const_cast<std::atomic<bool>*>(&flag));
  }

  static Cancel& none() {
    static thread_local Cancel never;
    return never;
  }

 private:
  static constexpr std::uint32_t kStride = 1024;
  Poll poll_ = nullptr;
  void* context_ = nullptr;
  std::uint32_t countdown_ = kStride;
};

}  // namespace mivex
