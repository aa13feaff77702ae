#pragma once
// Replaces the global operator new and delete of a test program with ones
// over malloc and free that first tell OnTestAllocation the size asked for.
// The program defines OnTestAllocation; include this in one of its source
// files only, and build the program apart from the other tests.
#include <cstddef>
#include <cstdlib>
#include <new>

void OnTestAllocation(std::size_t size);

namespace testsupport {
inline void* ReplacedAllocate(std::size_t size) {
    OnTestAllocation(size);
    return std::malloc(size == 0 ? 1 : size);
}
}  // namespace testsupport

void* operator new(std::size_t size) {
    if (void* p = testsupport::ReplacedAllocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = testsupport::ReplacedAllocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return testsupport::ReplacedAllocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return testsupport::ReplacedAllocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
