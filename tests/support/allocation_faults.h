// A test-only allocation-failure hook: in every test program that links the test support,
// malloc, calloc and realloc are wrapped at link time and the global operator new and delete
// replaced, so that a test can make the Nth allocation from now fail (null, or std::bad_alloc
// from operator new). Disarmed, every call goes straight to the runtime's allocator, so the
// sanitizers see every block.
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

}  // namespace oxsdk::testing
