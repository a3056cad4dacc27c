// The native device of POSIX hosts: the emulated device.
#include "platform/native_device.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/posix/emulated_device.h"

namespace oxsdk::platform {
namespace {

class EmulatedDeviceWindow : public DeviceWindow {
public:
    explicit EmulatedDeviceWindow(std::unique_ptr<EmulatedWindow> window)
        : window_(std::move(window)) {}
    WindowHandle handle() const override { return window_->handle(); }

private:
    std::unique_ptr<EmulatedWindow> window_;
};

}  // namespace

std::unique_ptr<Platform> NewNativePlatform(const std::string& rootFolder) {
    return NewPosixPlatform(rootFolder);
}

std::unique_ptr<DeviceWindow> DeviceWindow::Create(const std::string& className,
                                                   const std::string& rootFolder) {
    auto window = EmulatedWindow::Create(className, rootFolder);
    if (window == nullptr) return nullptr;
    return std::make_unique<EmulatedDeviceWindow>(std::move(window));
}

std::string MakePrivateTemporaryFolder(const std::string& prefix) {
    std::error_code error;
    std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    if (error) return {};
    std::string pattern = (temporary / (prefix + "-XXXXXX")).string();
    return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();  // mode 0700
}

bool PlantHostLink(const std::string& link, const std::string& target, bool /*toFolder*/) {
    return symlink(target.c_str(), link.c_str()) == 0;
}

bool OpenHostFolderToOthers(const std::string& folder) {
    return chmod(folder.c_str(), 0777) == 0;
}

}  // namespace oxsdk::platform
