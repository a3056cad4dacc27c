// COstrelFileLayer::ProcessEvents: the navigation application's end of the file exchange.
// One pass over the exchange folder; every complete command addressed to the given name is
// received on a fresh layer with the names swapped and handed to the handler. The pass never
// waits: a marker that is not complete now, or whose name would not lead back to it, is left
// where it is. A marker without its message that has stood longer than kOrphanMarkerGrace is
// removed. A command whose message could not be read is left for a later pass while its marker
// is younger than the same grace period (the failure may pass), and handed over without fields
// once it is older. Nothing thrown inside the pass (by the handler or by the C++ runtime) leaves
// it: the command at hand is dropped, its layer and sessions are released, and the pass goes on.
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>

#include "OXSDK5Link/FileLayer.h"
#include "platform/device_text.h"
#include "platform/platform.h"
#include "transport/exchange_folder.h"
#include "transport/exchange_file_name.h"
#include "transport/file_layer_session.h"
#include "transport/file_operations.h"
#include "transport/folder_listing.h"
#include "transport/message_receive.h"

namespace {

// A marker that has stood past the grace period without its message will never get one: it is
// removed. Told by one look at the message, before any work is done. `now` is the system time,
// read once when a pass first needs it.
bool RemovedAsJunk(const oxsdk::transport::CFolderListing& listing,
                   const oxsdk::transport::TMarkerFields& marker, std::uint64_t* now) {
    if (listing.lastWriteTime == 0) return false;
    if (*now == 0) *now = oxsdk::platform::CurrentPlatform().GetSystemTime();
    char messageName[oxsdk::transport::kFileNameCapacity];
    if (*now > listing.lastWriteTime &&
        *now - listing.lastWriteTime > COstrelFileLayer::kOrphanMarkerGraceMilliseconds &&
        oxsdk::transport::FormatExchangeFileName(messageName,
                                                 oxsdk::transport::EExchangeFile::kMessage,
                                                 marker.writer, marker.reader, marker.pid,
                                                 marker.sequence) &&
        !oxsdk::transport::ExchangeFileExists(messageName)) {
        oxsdk::transport::DeleteExchangeFile(listing.entryName);
        return true;
    }
    return false;
}

// True while the marker just listed is within the grace period, so that a message that could
// not be read now is tried again by a later pass. A marker of unknown age is not kept.
bool StillYoung(const oxsdk::transport::CFolderListing& listing, std::uint64_t* now) {
    if (listing.lastWriteTime == 0) return false;
    if (*now == 0) *now = oxsdk::platform::CurrentPlatform().GetSystemTime();
    return *now <= listing.lastWriteTime ||
           *now - listing.lastWriteTime <= COstrelFileLayer::kOrphanMarkerGraceMilliseconds;
}

}  // namespace

// One call batch (file_operations.h) for the listing and the commands taken up to the first
// handler call, and a new one after each handler call.
void COstrelFileLayer::ProcessEvents(const char* name, MCommandHandlerInterface& handler) {
    if (name == nullptr) return;
    try {
        std::optional<oxsdk::transport::ScopedCallBatch> batch;
        batch.emplace();
        oxsdk::transport::CFolderListing listing;
        std::uint64_t now = 0;
        for (bool more = listing.First(name); more; more = listing.Next()) {
            if (listing.isDirectory != 0) continue;
            oxsdk::transport::TMarkerFields marker;
            if (!oxsdk::transport::ParseMarkerName(listing.entryName, name, &marker)) continue;
            try {
                if (!batch) batch.emplace();
                if (RemovedAsJunk(listing, marker, &now)) continue;
                // The reply layer: this side's name as the file has it, the sender as the other
                // side.
                std::unique_ptr<MOstrelCommunicationLayerInterface> created(
                    New(marker.reader, marker.writer, marker.pid));
                if (created == nullptr) continue;
                COstrelFileLayer* layer = static_cast<COstrelFileLayer*>(created.get());

                oxsdk::transport::EReceiveResult received = oxsdk::transport::ReceiveIfComplete(
                    *layer->arguments, layer->remoteName, layer->localName, layer->pid,
                    marker.sequence, kMaxCommandSize, StillYoung(listing, &now));
                if (received == oxsdk::transport::EReceiveResult::kNotComplete ||
                    received == oxsdk::transport::EReceiveResult::kUnreadable) {
                    continue;
                }
                std::unique_ptr<MOstrelSession> session(new CFileLayerSession(marker.sequence));
                batch.reset();
                handler.HandleCommand(*layer, session.get());
            } catch (...) {
                // The command is dropped; the pass goes on with the next entry.
            }
        }
    } catch (...) {
        // The listing itself failed: the pass ends early, as on an empty folder.
    }
}

// The wait of a navigation application between passes: the exchange folder is watched for
// markers addressed to `name` ("*.name.*.*.finished", letter case aside), so that neither its
// own replies nor other files end the wait. A thread's first call makes sure the folders exist,
// starts the watch and returns 1 at once: a command may have come before the watch began.
int COstrelFileLayer::WaitForCommand(const char* name, int timeoutMilliseconds) {
    if (!oxsdk::transport::IsUsableExchangeName(name)) return 0;
    try {
        thread_local bool watching = false;
        char16_t pattern[oxsdk::transport::kFileNameCapacity + 16];
        if (!oxsdk::transport::FormatMarkerPattern(name, pattern, static_cast<int>(std::size(pattern)))) {
            return 0;
        }
        char16_t folder[oxsdk::platform::kMaxPath];
        oxsdk::platform::Platform& system = oxsdk::platform::CurrentPlatform();
        if (!watching) {
            watching = true;
            if (oxsdk::transport::GetExchangeFolder(folder, true)) {
                system.WaitForFolderChange(folder, 0, pattern);
            }
            return 1;
        }
        const std::uint32_t milliseconds =
            timeoutMilliseconds > 0 ? static_cast<std::uint32_t>(timeoutMilliseconds) : 0;
        if (!oxsdk::transport::GetExchangeFolder(folder, false)) {
            system.Sleep(milliseconds);
            return 0;
        }
        return system.WaitForFolderChange(folder, milliseconds, pattern) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
