// Controls of the interposers this test program links in place of the C++ allocator and of
// read(2): allocations can be counted and one of them failed, and reads of one file can be
// robbed of their input, as another reader of the same device would.
#pragma once

#include <cstddef>
#include <string>

namespace qv::testing {

// Starts counting operator new calls; the failAt-th (1-based) of them throws std::bad_alloc
// (nullptr for the nothrow forms). failAt 0 only counts.
void armAllocations(std::size_t failAt);
// Stops counting; returns the number of allocations since armAllocations().
std::size_t disarmAllocations();
// Whether the armed allocation has been failed.
bool allocationFailed();
// Whether this program's allocator is ours (a memory checker may put its own in place).
bool allocationsInterposed();

// The next `times` reads of the file at `path` take what is there, drop it, and report EAGAIN.
void stealReads(const std::string& path, int times);
// Reads robbed so far.
int stolenReads();

}  // namespace qv::testing
