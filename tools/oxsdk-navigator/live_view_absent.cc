// The live view of a build without cpp-httplib: the option is known, and refused.
#include "live_view.h"

namespace oxsdk::emulator {

struct CLiveView::TServer {};

bool LiveViewAvailable() {
    return false;
}

CLiveView::CLiveView() = default;
CLiveView::~CLiveView() = default;

bool CLiveView::Start(const TLiveEndpoint&, CLiveState&, std::string* error) {
    *error = "this oxsdk-navigator was built without the live view (cpp-httplib was not found)";
    return false;
}

int CLiveView::port() const {
    return 0;
}

std::string CLiveView::token() const {
    return {};
}

void CLiveView::Stop() {}

}  // namespace oxsdk::emulator
