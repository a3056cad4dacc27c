// The allocation-failure hook: link-time wrappers of malloc, calloc and realloc
// (-Wl,--wrap=...) and a replacement of the global operator new and delete.
#include "support/allocation_faults.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);
}

namespace {

std::atomic<long> countdown{0};  // 0: disarmed; else allocations left until the failing one
std::atomic<bool> failed{false};
std::atomic<bool> onlyMalloc{false};
std::atomic<bool> pausedHook{false};

// True when this allocation is the one that must fail.
bool FailThisOne(bool isNew = false) {
    if (countdown.load(std::memory_order_relaxed) == 0) return false;
    if (pausedHook.load(std::memory_order_relaxed)) return false;
    if (isNew && onlyMalloc.load(std::memory_order_relaxed)) return false;
    if (countdown.fetch_sub(1, std::memory_order_relaxed) != 1) return false;
    failed.store(true, std::memory_order_relaxed);
    return true;
}

void* NewBlock(std::size_t size) {
    if (FailThisOne(true)) return nullptr;
    return __real_malloc(size == 0 ? 1 : size);
}

}  // namespace

extern "C" {
void* __wrap_malloc(std::size_t size) {
    return FailThisOne() ? nullptr : __real_malloc(size);
}
void* __wrap_calloc(std::size_t count, std::size_t size) {
    return FailThisOne() ? nullptr : __real_calloc(count, size);
}
void* __wrap_realloc(void* block, std::size_t size) {
    return FailThisOne() ? nullptr : __real_realloc(block, size);
}
}

namespace oxsdk::testing {

void ArmAllocationFailure(long n, bool mallocOnly) {
    onlyMalloc.store(mallocOnly);
    failed.store(false);
    countdown.store(n < 1 ? 1 : n);
}

bool DisarmAllocationFailure() {
    countdown.store(0);
    return failed.load();
}

void PauseAllocationFailure(bool paused) {
    pausedHook.store(paused);
}

}  // namespace oxsdk::testing

void* operator new(std::size_t size) {
    void* block = NewBlock(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}
void* operator new[](std::size_t size) {
    void* block = NewBlock(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return NewBlock(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return NewBlock(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
