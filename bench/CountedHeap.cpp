// Counts every allocation of the program it is linked into: operator new and delete are
// replaced, and the heap held now and the most held since the last reset are kept.

#include "CountedHeap.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::int64_t> gHeld{0};
std::atomic<std::int64_t> gPeak{0};

void* Counted(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    const std::int64_t held =
        gHeld.fetch_add(static_cast<std::int64_t>(malloc_usable_size(p))) +
        static_cast<std::int64_t>(malloc_usable_size(p));
    std::int64_t peak = gPeak.load();
    while (held > peak && !gPeak.compare_exchange_weak(peak, held)) {
    }
    return p;
}

void Uncounted(void* p) {
    if (p != nullptr) {
        gHeld.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(p)));
        std::free(p);
    }
}

}  // namespace

void* operator new(std::size_t size) { return Counted(size); }
void* operator new[](std::size_t size) { return Counted(size); }
void operator delete(void* p) noexcept { Uncounted(p); }
void operator delete[](void* p) noexcept { Uncounted(p); }
void operator delete(void* p, std::size_t) noexcept { Uncounted(p); }
void operator delete[](void* p, std::size_t) noexcept { Uncounted(p); }

namespace runwell::bench {

std::int64_t HeapHeld() { return gHeld.load(); }

std::int64_t HeapPeak() { return gPeak.load(); }

std::int64_t ResetHeapPeak() {
    const std::int64_t held = gHeld.load();
    gPeak.store(held);
    return held;
}

}  // namespace runwell::bench
