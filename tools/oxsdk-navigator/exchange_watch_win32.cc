// The exchange watch on Windows: the platform's own folder wait (a change notification on the
// exchange folder) wakes the loop, which then passes over the whole folder, as the change
// notification does not say which file changed.
#include <cstring>

#include "exchange_watch.h"
#include "platform/platform.h"
#include "transport/exchange_folder.h"

namespace oxsdk::emulator {

CExchangeWatch::~CExchangeWatch() = default;

bool CExchangeWatch::Open(const std::string& folder, const std::string& exchangeName) {
    folder_ = folder;
    exchangeName_ = exchangeName;
    fd_ = 0;  // nothing to close: the platform keeps the notification
    return true;
}

bool CExchangeWatch::AddWatch() {
    return true;
}

bool CExchangeWatch::Wait(std::uint32_t milliseconds, std::set<std::string>* /*arrivals*/) {
    char16_t folder[platform::kMaxPath];
    if (transport::GetExchangeFolder(folder, false)) {
        platform::CurrentPlatform().WaitForFolderChange(folder, milliseconds);
    } else {
        platform::CurrentPlatform().Sleep(milliseconds);
    }
    return true;
}

void CExchangeWatch::ProcessArrivals(const std::set<std::string>& /*markers*/,
                                     MCommandHandlerInterface& handler) {
    COstrelFileLayer::ProcessEvents(exchangeName_.c_str(), handler);
}

}  // namespace oxsdk::emulator
