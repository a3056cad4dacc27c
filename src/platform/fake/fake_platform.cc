#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/device_names.h"

namespace oxsdk::platform {

struct FakePlatform::Node {
    std::u16string name;
    bool folder = false;
    bool readOnly = false;
    bool link = false;          // a host link: never listed, opened or gone through
    bool openToOthers = false;  // a folder that other users may write: never used
    std::uint64_t lastWriteTime = 0;
    std::string bytes;
    std::vector<std::shared_ptr<Node>> children;

    std::shared_ptr<Node> Child(std::u16string_view childName) const {
        for (const auto& child : children) {
            if (child->name == childName) return child;
        }
        return nullptr;
    }
};

namespace {

[[noreturn]] void Misuse(const char* what) {
    std::fprintf(stderr, "FakePlatform: %s\n", what);
    std::abort();
}

void FillFindData(std::u16string_view name, std::uint32_t attributes, FindData* entry,
                  std::uint64_t lastWriteTime = 0) {
    std::copy(name.begin(), name.end(), entry->name);
    entry->name[name.size()] = u'\0';
    entry->attributes = attributes;
    entry->lastWriteTime = lastWriteTime;
}

}  // namespace

class FakePlatform::FakeFile : public File {
public:
    FakeFile(FakePlatform& owner, std::shared_ptr<Node> node, std::u16string path, bool writing)
        : owner_(owner), node_(std::move(node)), path_(std::move(path)), writing_(writing) {}

    Error Read(void* buffer, std::uint32_t capacity, std::uint32_t* bytesRead) override {
        *bytesRead = 0;
        if (writing_) return Error::kAccessDenied;
        if (Error error = owner_.TakeFault(FakeOperation::kRead, path_); error != Error::kNone) {
            return error;
        }
        const std::string& bytes = node_->bytes;
        std::size_t count = position_ < bytes.size()
                                ? std::min<std::size_t>(capacity, bytes.size() - position_)
                                : 0;
        std::memcpy(buffer, bytes.data() + position_, count);
        position_ += count;
        *bytesRead = static_cast<std::uint32_t>(count);
        return Error::kNone;
    }

    Error Write(const void* data, std::uint32_t size, std::uint32_t* bytesWritten) override {
        *bytesWritten = 0;
        if (!writing_) return Error::kAccessDenied;
        if (Error error = owner_.TakeFault(FakeOperation::kWrite, path_); error != Error::kNone) {
            return error;
        }
        std::size_t limit = owner_.WriteLimitFor(path_);
        std::size_t count = position_ < limit ? std::min<std::size_t>(size, limit - position_) : 0;
        std::string& bytes = node_->bytes;
        if (bytes.size() < position_ + count) bytes.resize(position_ + count);
        bytes.replace(position_, count, static_cast<const char*>(data), count);
        node_->lastWriteTime = owner_.GetSystemTime();
        position_ += count;
        *bytesWritten = static_cast<std::uint32_t>(count);
        return Error::kNone;
    }

    std::uint32_t GetSize() override { return static_cast<std::uint32_t>(node_->bytes.size()); }

private:
    FakePlatform& owner_;
    std::shared_ptr<Node> node_;
    std::u16string path_;
    bool writing_;
    std::size_t position_ = 0;
};

FakePlatform::FakePlatform() : root_(std::make_shared<Node>()) {
    root_->folder = true;
}

FakePlatform::~FakePlatform() = default;

// ---- storage helpers ----

std::shared_ptr<FakePlatform::Node> FakePlatform::Lookup(const std::u16string& path) const {
    std::vector<std::u16string> parts;
    if (!SplitDevicePath(path.c_str(), &parts)) return nullptr;
    std::shared_ptr<Node> node = root_;
    for (const auto& part : parts) {
        if (!node->folder) return nullptr;
        node = node->Child(part);
        if (!node) return nullptr;
    }
    return node;
}

std::shared_ptr<FakePlatform::Node> FakePlatform::ParentOf(const char16_t* path,
                                                           std::u16string* name) const {
    std::vector<std::u16string> parts;
    if (!SplitDevicePath(path, &parts) || parts.empty()) return nullptr;
    *name = parts.back();
    std::shared_ptr<Node> node = root_;
    if (node->openToOthers) return nullptr;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        node = node->Child(parts[i]);
        if (!node || !node->folder || node->link || node->openToOthers) return nullptr;
    }
    return node;
}

std::shared_ptr<FakePlatform::Node> FakePlatform::Reach(const char16_t* path) const {
    std::u16string name;
    if (path[0] == u'\\' && path[1] == u'\0') return root_->openToOthers ? nullptr : root_;
    std::shared_ptr<Node> folder = ParentOf(path, &name);
    return folder ? folder->Child(name) : nullptr;
}

std::shared_ptr<FakePlatform::Node> FakePlatform::MakeFolders(const std::u16string& path) {
    std::vector<std::u16string> parts;
    if (!SplitDevicePath(path.c_str(), &parts)) Misuse("not a device path");
    std::shared_ptr<Node> node = root_;
    for (const auto& part : parts) {
        std::shared_ptr<Node> child = node->Child(part);
        if (!child) {
            child = std::make_shared<Node>();
            child->name = part;
            child->folder = true;
            node->children.push_back(child);
        } else if (!child->folder) {
            Misuse("a file stands where a folder is needed");
        }
        node = child;
    }
    return node;
}

void FakePlatform::AddFolder(const std::u16string& path) {
    MakeFolders(path);
}

void FakePlatform::AddFile(const std::u16string& path, const std::string& bytes,
                           std::uint32_t attributes) {
    std::size_t cut = path.rfind(u'\\');
    if (cut == std::u16string::npos || cut + 1 == path.size()) Misuse("not a file path");
    std::shared_ptr<Node> folder = MakeFolders(cut == 0 ? u"\\" : path.substr(0, cut));
    std::u16string name = path.substr(cut + 1);
    std::shared_ptr<Node> node = folder->Child(name);
    if (node && node->folder) Misuse("a folder stands where a file is added");
    if (!node) {
        node = std::make_shared<Node>();
        node->name = name;
        folder->children.push_back(node);
    }
    node->bytes = bytes;
    node->readOnly = (attributes & kAttributeReadOnly) != 0;
    node->lastWriteTime = GetSystemTime();
}

void FakePlatform::AddLink(const std::u16string& path) {
    std::size_t cut = path.rfind(u'\\');
    if (cut == std::u16string::npos || cut + 1 == path.size()) Misuse("not a link path");
    std::shared_ptr<Node> folder = MakeFolders(cut == 0 ? u"\\" : path.substr(0, cut));
    if (folder->Child(path.substr(cut + 1))) Misuse("something stands where a link is added");
    auto node = std::make_shared<Node>();
    node->name = path.substr(cut + 1);
    node->link = true;
    folder->children.push_back(node);
}

void FakePlatform::OpenToOthers(const std::u16string& path) {
    std::shared_ptr<Node> node = path == u"\\" ? root_ : Lookup(path);
    if (!node || !node->folder) Misuse("not a folder");
    node->openToOthers = true;
}

bool FakePlatform::Exists(const std::u16string& path) const {
    return Lookup(path) != nullptr;
}

std::string FakePlatform::FileContents(const std::u16string& path) const {
    std::shared_ptr<Node> node = Lookup(path);
    return node && !node->folder ? node->bytes : std::string();
}

std::vector<std::u16string> FakePlatform::ListFolder(const std::u16string& path) const {
    std::vector<std::u16string> names;
    std::shared_ptr<Node> node = Lookup(path);
    if (node && node->folder) {
        for (const auto& child : node->children) names.push_back(child->name);
    }
    return names;
}

// ---- faults ----

void FakePlatform::InjectFault(FakeOperation operation, const std::u16string& path, Error error,
                               int times) {
    faults_.push_back({operation, path, error, times});
}

void FakePlatform::LimitWrites(const std::u16string& path, std::uint32_t maxBytes) {
    writeLimits_.emplace_back(path, maxBytes);
}

void FakePlatform::ClearFaults() {
    faults_.clear();
    writeLimits_.clear();
}

Error FakePlatform::TakeFault(FakeOperation operation, const std::u16string& path) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->operation != operation) continue;
        if (!it->path.empty() && it->path != path) continue;
        Error error = it->error;
        if (it->times != kAlways && --it->times <= 0) faults_.erase(it);
        return error;
    }
    return Error::kNone;
}

std::uint32_t FakePlatform::WriteLimitFor(const std::u16string& path) const {
    std::uint32_t limit = 0xFFFFFFFFu;
    for (const auto& [limitPath, maxBytes] : writeLimits_) {
        if (limitPath.empty() || limitPath == path) limit = std::min(limit, maxBytes);
    }
    return limit;
}

// ---- files and folders ----

Error FakePlatform::OpenForReading(const char16_t* path, std::unique_ptr<File>* file) {
    std::u16string where(path);
    if (Error error = TakeFault(FakeOperation::kOpenForReading, where); error != Error::kNone) {
        return error;
    }
    std::shared_ptr<Node> node = Reach(path);
    if (!node) return Error::kNotFound;
    if (node->folder || node->link) return Error::kAccessDenied;
    *file = std::make_unique<FakeFile>(*this, node, where, false);
    return Error::kNone;
}

Error FakePlatform::CreateForWriting(const char16_t* path, std::unique_ptr<File>* file) {
    std::u16string where(path);
    if (Error error = TakeFault(FakeOperation::kCreateForWriting, where); error != Error::kNone) {
        return error;
    }
    std::u16string name;
    std::shared_ptr<Node> folder = ParentOf(path, &name);
    if (!folder) return Error::kNotFound;
    std::shared_ptr<Node> node = folder->Child(name);
    if (node && (node->folder || node->readOnly || node->link)) return Error::kAccessDenied;
    if (node) {
        node->bytes.clear();
    } else {
        node = std::make_shared<Node>();
        node->name = name;
        folder->children.push_back(node);
    }
    node->lastWriteTime = GetSystemTime();
    *file = std::make_unique<FakeFile>(*this, node, where, true);
    return Error::kNone;
}

Error FakePlatform::DeleteFile(const char16_t* path) {
    if (Error error = TakeFault(FakeOperation::kDelete, path); error != Error::kNone) {
        return error;
    }
    std::u16string name;
    std::shared_ptr<Node> folder = ParentOf(path, &name);
    std::shared_ptr<Node> node = folder ? folder->Child(name) : nullptr;
    if (!node) return Error::kNotFound;
    if (node->folder || node->readOnly || node->link) return Error::kAccessDenied;
    auto& siblings = folder->children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), node));
    return Error::kNone;
}

std::uint32_t FakePlatform::GetFileAttributes(const char16_t* path) {
    std::shared_ptr<Node> node = Reach(path);
    if (!node || node->link) return kInvalidAttributes;
    if (node->folder) return kAttributeDirectory;
    return node->readOnly ? kAttributeReadOnly : kAttributeNormal;
}

Error FakePlatform::SetFileAttributes(const char16_t* path, std::uint32_t attributes) {
    if (Error error = TakeFault(FakeOperation::kSetAttributes, path); error != Error::kNone) {
        return error;
    }
    std::shared_ptr<Node> node = Reach(path);
    if (!node) return Error::kNotFound;
    if (node->link) return Error::kAccessDenied;
    // Folders keep no read-only bit, as on the emulated device.
    if (!node->folder) node->readOnly = (attributes & kAttributeReadOnly) != 0;
    return Error::kNone;
}

Error FakePlatform::CreateFolder(const char16_t* path) {
    if (Error error = TakeFault(FakeOperation::kCreateFolder, path); error != Error::kNone) {
        return error;
    }
    std::u16string name;
    std::shared_ptr<Node> folder = ParentOf(path, &name);
    if (!folder) return Error::kNotFound;
    if (folder->Child(name)) return Error::kAlreadyExists;
    auto node = std::make_shared<Node>();
    node->name = name;
    node->folder = true;
    folder->children.push_back(node);
    return Error::kNone;
}

Error FakePlatform::FindFirst(const char16_t* pattern, std::unique_ptr<FindHandle>* handle,
                              FindData* first) {
    if (Error error = TakeFault(FakeOperation::kFindFirst, pattern); error != Error::kNone) {
        return error;
    }
    std::u16string namePattern;
    std::shared_ptr<Node> folder = ParentOf(pattern, &namePattern);
    if (!folder) return Error::kNotFound;
    std::vector<FindData> entries;
    FindData entry;
    if (listDotEntries_) {
        for (std::u16string_view dots : {u".", u".."}) {
            if (!MatchesNamePattern(namePattern, dots)) continue;
            FillFindData(dots, kAttributeDirectory, &entry);
            entries.push_back(entry);
        }
    }
    for (const auto& child : folder->children) {
        if (child->link || child->name.size() >= kMaxPath ||
            !MatchesNamePattern(namePattern, child->name)) {
            continue;
        }
        std::uint32_t attributes = child->folder     ? kAttributeDirectory
                                   : child->readOnly ? kAttributeReadOnly
                                                     : kAttributeNormal;
        FillFindData(child->name, attributes, &entry, child->lastWriteTime);
        entries.push_back(entry);
    }
    if (entries.empty()) return Error::kNotFound;
    *first = entries.front();
    *handle = std::make_unique<ListedFindHandle>(std::move(entries));
    return Error::kNone;
}

// ---- processes ----

Error FakePlatform::StartProcess(const char16_t* path) {
    if (startError_ != Error::kNone) return startError_;
    std::u16string where(path);
    std::shared_ptr<Node> node = Reach(path);
    if (!node) return Error::kNotFound;
    if (node->folder || node->link) return Error::kAccessDenied;
    startedProcesses_.push_back(where);
    if (onStartProcess_) onStartProcess_(where);
    return Error::kNone;
}

// ---- windows ----

void FakePlatform::SetWindow(const std::u16string& className, WindowHandle handle) {
    for (FakeWindow& window : windows_) {
        if (window.className == className) {
            if (window.handle != handle) window.instance = ++windowsMade_;
            window.handle = handle;
            return;
        }
    }
    windows_.push_back({className, handle, ++windowsMade_});
}

void FakePlatform::RestartWindow(const std::u16string& className) {
    for (FakeWindow& window : windows_) {
        if (window.className == className) window.instance = ++windowsMade_;
    }
}

void FakePlatform::RemoveWindow(const std::u16string& className) {
    windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                  [&](const FakeWindow& w) { return w.className == className; }),
                   windows_.end());
}

WindowHandle FakePlatform::FindWindow(const char16_t* className) {
    std::uint64_t instance = 0;
    return FindWindowInstance(className, &instance);
}

WindowHandle FakePlatform::FindWindowInstance(const char16_t* className, std::uint64_t* instance) {
    std::u16string name(className);
    ++findWindowCalls_;
    if (onFindWindow_) onFindWindow_(name, findWindowCalls_);
    for (const FakeWindow& window : windows_) {
        if (window.className == name) {
            *instance = window.instance;
            return window.handle;
        }
    }
    *instance = 0;
    return 0;
}

bool FakePlatform::SetForegroundWindow(WindowHandle window) {
    foregroundRequests_.push_back(window);
    if (window == 0) return false;
    foreground_ = window & ~WindowHandle{1};
    return true;
}

bool FakePlatform::ShowWindow(WindowHandle window, int showCommand) {
    shownWindows_.emplace_back(window, showCommand);
    return window != 0 && std::any_of(windows_.begin(), windows_.end(),
                                      [&](const FakeWindow& w) { return w.handle == window; });
}

// ---- cursor, system, time ----

CursorHandle FakePlatform::SetCursor(CursorHandle cursor) {
    cursorLog_.push_back(cursor);
    CursorHandle previous = cursor_;
    cursor_ = cursor;
    return previous;
}

bool FakePlatform::GetPlatformType(char* text, int capacity) {
    if (capacity <= 0) return false;
    text[0] = '\0';
    if (failPlatformType_ || platformType_.size() + 1 > static_cast<std::size_t>(capacity)) {
        return false;
    }
    std::memcpy(text, platformType_.c_str(), platformType_.size() + 1);
    return true;
}

void FakePlatform::Sleep(std::uint32_t milliseconds) {
    sleeps_.push_back(milliseconds);
    elapsed_ += milliseconds;
    if (onSleep_) onSleep_(milliseconds);
}

// The fake does not watch: every wait lasts its timeout and then reports a change, so that
// the caller looks again.
bool FakePlatform::WaitForFolderChange(const char16_t* folder, std::uint32_t milliseconds,
                                       const char16_t* /*namePattern*/) {
    std::u16string where(folder);
    folderWaits_.emplace_back(where, milliseconds);
    elapsed_ += milliseconds;
    if (onFolderWait_) onFolderWait_(where, milliseconds);
    return milliseconds > 0;
}

}  // namespace oxsdk::platform
