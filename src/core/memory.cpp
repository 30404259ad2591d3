#include "core/memory.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "core/error.hpp"

namespace mivex {

namespace {

bool read_number(const char* path, std::uint64_t& out) {
  std::ifstream in(path);
  std::string word;
  if (!(in >> word)) return false;
  try {
    out = std::stoull(word);
  } catch (...) {
    return false;  // "max" (no limit) or unreadable
  }
  return true;
}

std::uint64_t mem_available() {
  std::ifstream in("/proc/meminfo");
  std::string key;
  std::uint64_t kib = 0;
  std::string unit;
  while (in >> key >> kib >> unit) {
    if (key == "MemAvailable:") return kib * 1024;
  }
  long pages = sysconf(_SC_AVPHYS_PAGES);
  long page = sysconf(_SC_PAGESIZE);
  return pages > 0 && page > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page) : 0;
}

// Room left under a cgroup limit (v2, then v1); UINT64_MAX when unlimited.
std::uint64_t cgroup_room() {
  std::uint64_t limit = 0, used = 0;
  if (read_number("/sys/fs/cgroup/memory.max", limit) &&
      read_number("/sys/fs/cgroup/memory.current", used)) {
    return limit > used ? limit - used : 0;
  }
  if (read_number("/sys/fs/cgroup/memory/memory.limit_in_bytes", limit) &&
      read_number("/sys/fs/cgroup/memory/memory.usage_in_bytes", used)) {
    return limit > used ? limit - used : 0;
  }
  return UINT64_MAX;
}

std::string gib(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0));
  return text;
}

}  // namespace

std::uint64_t available_memory() { return std::min(mem_available(), cgroup_room()); }

void require_memory(std::uint64_t bytes, const std::string& what) {
  if (bytes < (std::uint64_t{256} << 20)) return;
  std::uint64_t available = available_memory();
  // Nothing readable: assume a modest machine rather than risk the kernel's killer.
  if (available == 0) available = std::uint64_t{4} << 30;
  if (bytes <= available) return;
  throw MemoryRefusal(what + " needs about " + gib(bytes) + " of memory, but only " + gib(available) +
                      " is available");
}

}  // namespace mivex
