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
        if (owner_.Fails(EFaultKind::kRead)) {
            *bytesRead = 0;
            return Error::kOther;
        }
        return file_->Read(buffer, capacity, bytesRead);
    }
    Error Write(const void* data, std::uint32_t size, std::uint32_t* bytesWritten) override {
        if (owner_.Fails(EFaultKind::kWrite)) {
            *bytesWritten = 0;
            return Error::kOther;
        }
        return file_->Write(data, size, bytesWritten);
    }
    std::uint32_t GetSize() override { return file_->GetSize(); }

private:
    std::unique_ptr<platform::File> file_;
    FaultPlatform& owner_;
};

}  // namespace

const char* FaultKindName(EFaultKind kind) {
    switch (kind) {
        case EFaultKind::kOpen:
            return "open";
        case EFaultKind::kCreate:
            return "create";
        case EFaultKind::kRead:
            return "read";
        case EFaultKind::kWrite:
            return "write";
        case EFaultKind::kDelete:
            return "delete";
        case EFaultKind::kFind:
            return "find";
    }
    return "?";
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
    Error error = PlatformWrapper::OpenForReading(path, file);
    if (error == Error::kNone) *file = std::make_unique<FaultFile>(std::move(*file), *this);
    return error;
}

Error FaultPlatform::CreateForWriting(const char16_t* path, std::unique_ptr<platform::File>* file) {
    if (Fails(EFaultKind::kCreate)) return Error::kAccessDenied;
    Error error = PlatformWrapper::CreateForWriting(path, file);
    if (error == Error::kNone) *file = std::make_unique<FaultFile>(std::move(*file), *this);
    return error;
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
