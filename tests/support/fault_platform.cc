#include "support/fault_platform.h"

#include <utility>

namespace oxsdk::testing {
namespace {

using platform::Error;

// Fails the reads or writes of one file as its owner says.
class FaultFile : public platform::File {
public:
    FaultFile(std::unique_ptr<platform::File> file, FaultPlatform& owner)
        : file_(std::move(file)), owner_(owner) {}
    Error Read(void* buffer, std::uint32_t capacity, std::uint32_t* bytesRead) override {
        *bytesRead = 0;
        if (owner_.Fails(EFaultKind::kRead)) return Error::kOther;
        return file_->Read(buffer, capacity, bytesRead);
    }
    Error Write(const void* data, std::uint32_t size, std::uint32_t* bytesWritten) override {
        *bytesWritten = 0;
        if (owner_.Fails(EFaultKind::kWrite)) return Error::kOther;
        return file_->Write(data, size, bytesWritten);
    }
    std::uint32_t GetSize() override { return file_->GetSize(); }

private:
    std::unique_ptr<platform::File> file_;
    FaultPlatform& owner_;
};

// Opened and created files fail their reads and writes as armed.
Error Wrapped(Error error, std::unique_ptr<platform::File>* file, FaultPlatform& owner) {
    if (error == Error::kNone) *file = std::make_unique<FaultFile>(std::move(*file), owner);
    return error;
}

}  // namespace

const char* FaultKindName(EFaultKind kind) {
    static const char* const kNames[] = {"open", "create", "read", "write", "delete", "find"};
    return kNames[static_cast<int>(kind)];
}

void FaultPlatform::Arm(EFaultKind kind, int n) {
    kind_ = kind;
    countdown_ = n < 1 ? 1 : n;
    injected_ = false;
}

bool FaultPlatform::Fails(EFaultKind kind) {
    if (paused_ || countdown_ == 0 || kind != kind_) return false;
    if (--countdown_ != 0) return false;
    injected_ = true;
    return true;
}

Error FaultPlatform::OpenForReading(const char16_t* path, std::unique_ptr<platform::File>* file) {
    if (Fails(EFaultKind::kOpen)) return Error::kNotFound;
    return Wrapped(PlatformWrapper::OpenForReading(path, file), file, *this);
}

Error FaultPlatform::CreateForWriting(const char16_t* path, std::unique_ptr<platform::File>* file) {
    if (Fails(EFaultKind::kCreate)) return Error::kAccessDenied;
    return Wrapped(PlatformWrapper::CreateForWriting(path, file), file, *this);
}

Error FaultPlatform::DeleteFile(const char16_t* path) {
    if (Fails(EFaultKind::kDelete)) return Error::kAccessDenied;
    return PlatformWrapper::DeleteFile(path);
}

Error FaultPlatform::FindFirst(const char16_t* pattern,
                               std::unique_ptr<platform::FindHandle>* handle,
                               platform::FindData* first) {
    if (Fails(EFaultKind::kFind)) return Error::kNotFound;
    return PlatformWrapper::FindFirst(pattern, handle, first);
}

}  // namespace oxsdk::testing
