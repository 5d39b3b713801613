// Counts the allocations of a benchmark program: operator new is replaced and every call adds one
// to gAllocations, so a benchmark can report what its measured loop allocated. Include it in the
// program's one source file only (the replacement operators may be defined once per program).
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long long> gAllocations{0};

}  // namespace

// The replaced operators pair malloc with free; GCC cannot see that once they are inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  ++gAllocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop
