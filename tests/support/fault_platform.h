// A platform that fails the Nth operation of one kind (open, create, read, write, delete,
// find), for fault sweeps: wrap the platform under test, Arm(kind, n), run the call, and ask
// whether the fault was injected. Open and find fail as a missing file, create as a denied
// one, read and write with kOther; delete reports kAccessDenied and leaves the file. Paused,
// it forwards everything and counts nothing (for a scripted other side that must not fail).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"

namespace oxsdk::testing {

enum class EFaultKind { kOpen, kCreate, kRead, kWrite, kDelete, kFind };
inline constexpr EFaultKind kFaultKinds[] = {EFaultKind::kOpen,   EFaultKind::kCreate,
                                             EFaultKind::kRead,   EFaultKind::kWrite,
                                             EFaultKind::kDelete, EFaultKind::kFind};
const char* FaultKindName(EFaultKind kind);

class FaultPlatform : public platform::PlatformWrapper {
public:
    explicit FaultPlatform(platform::Platform& target) : PlatformWrapper(target) {}

    /// The `n`th operation of `kind` from now (n >= 1) fails; only that one.
    void Arm(EFaultKind kind, int n);
    void Disarm() { countdown_ = 0; }
    /// True when the armed operation was reached and failed.
    bool injected() const { return injected_; }
    /// While paused, nothing is counted or failed.
    void Pause(bool paused) { paused_ = paused; }

    platform::Error OpenForReading(const char16_t* path,
                                   std::unique_ptr<platform::File>* file) override;
    platform::Error CreateForWriting(const char16_t* path,
                                     std::unique_ptr<platform::File>* file) override;
    platform::Error DeleteFile(const char16_t* path) override;
    platform::Error FindFirst(const char16_t* pattern,
                              std::unique_ptr<platform::FindHandle>* handle,
                              platform::FindData* first) override;

    /// True when this operation of `kind` is the one to fail (counts it).
    bool Fails(EFaultKind kind);

private:
    EFaultKind kind_ = EFaultKind::kOpen;
    int countdown_ = 0;
    bool injected_ = false;
    bool paused_ = false;
};

}  // namespace oxsdk::testing
