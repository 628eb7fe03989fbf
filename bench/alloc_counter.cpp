// Replaces the global operator new and delete to count allocations. The array
// forms go through these by the language's default; the nothrow forms are
// replaced too, so that no block from another allocator reaches free (a
// sanitizer's operator new, say, used by the GL implementation's compiler).
#include "bench_support.h"

#include <atomic>
#include <cstdlib>
#include <new>

static std::atomic<uint64_t> allocations{0}; // operator new calls since start, 0 at start

uint64_t allocationCount() {
    return allocations.load(std::memory_order_relaxed);
}

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
