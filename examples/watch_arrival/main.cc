// Waits for the driver to arrive, then flashes a message on the navigator (docs/watcher.md).
#include <atomic>
#include <cstdio>

#include "OXSDK5Link/OXSDK5Link.h"

class CArrival : public MWatchHandlerInterface {
public:
    CArrival(COstrelAPI& api, std::atomic<bool>& done) : api_(api), done_(done) {}
    void HandleWatchEvent(const COstrelWatcher::TEvent& event) override {
        if (event.kind == COstrelWatcher::EDestinationReached) {
            std::printf("arrived after %.0f m\n", event.travelledMetres);
            COstrelAPI::TError error{};
            api_.FlashMessage(&error, "Welcome! Your parking spot is B12.", 10);
            done_ = true;
        } else if (event.kind == COstrelWatcher::ENavigatorStopped) {
            done_ = true;
        }
    }

private:
    COstrelAPI& api_;
    std::atomic<bool>& done_;
};

int main() {
    MOstrelCommunicationLayerInterface* layer =
        COstrelFileLayer::New("Arrival", "OstrelNavigator", -1);
    COstrelAPI api(*layer);
    std::atomic<bool> done{false};
    CArrival handler(api, done);
    COstrelWatcher watcher(api, handler);
    watcher.Run(1000, done);  // one round a second until arrival
    delete layer;
    return 0;
}
