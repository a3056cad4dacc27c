// A test-only allocation-failure hook. Every test program that links the test support has its
// malloc, calloc and realloc calls (of the library and of the tests alike) wrapped at link time,
// and the global operator new and delete replaced, so that a test can make the Nth allocation
// from now fail: malloc, calloc and realloc return null, operator new throws std::bad_alloc (the
// nothrow forms return null). Disarmed, every call goes straight to the runtime's allocator, so
// the sanitizers see every block.
//
//   oxsdk::testing::ArmAllocationFailure(3);   // the third allocation from now fails
//   ... call under test ...
//   bool hit = oxsdk::testing::DisarmAllocationFailure();
#pragma once

namespace oxsdk::testing {

/// Makes the `n`th allocation from now fail (n >= 1); only that one. Replaces an earlier arming.
/// With `mallocOnly`, only malloc, calloc and realloc are counted and failed (the library's own
/// allocations), not operator new (the containers of tests and of the fake platform).
void ArmAllocationFailure(long n, bool mallocOnly = false);

/// Disarms the hook; true when the armed allocation was reached and failed.
bool DisarmAllocationFailure();

/// While paused, allocations are neither counted nor failed (for a scripted other side).
void PauseAllocationFailure(bool paused);

/// Allocations counted since the last ArmAllocationFailure (failed one included).
long AllocationsSinceArmed();

}  // namespace oxsdk::testing
