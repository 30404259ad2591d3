// Refusing work the machine cannot hold, before allocating it: a huge
// problem would otherwise get the process killed by the kernel instead of
// failing cleanly with MemoryError.
#pragma once

#include <cstdint>
#include <string>

namespace mivex {

// Bytes the process may still obtain: the kernel's MemAvailable, lowered to
// what a cgroup memory limit leaves free. 0 when nothing can be read.
std::uint64_t available_memory();

// Throws MemoryRefusal naming `what` when `bytes` exceed what is available.
// Small amounts pass without reading anything.
void require_memory(std::uint64_t bytes, const std::string& what);

}  // namespace mivex
