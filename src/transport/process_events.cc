// COstrelFileLayer::ProcessEvents: the navigation application's end of the file exchange.
// One pass over the exchange folder; every complete command addressed to the given name is
// received on a fresh layer with the names swapped and handed to the handler. The pass never
// waits: a marker that is not complete now, or whose name would not lead back to it, is left
// where it is.
#include "OXSDK5Link/FileLayer.h"

#include "transport/exchange_file_name.h"
#include "transport/file_layer_session.h"
#include "transport/folder_listing.h"
#include "transport/message_receive.h"

void COstrelFileLayer::ProcessEvents(const char* name, MCommandHandlerInterface& handler) {
    if (name == nullptr) return;
    oxsdk::transport::CFolderListing listing;
    for (bool more = listing.First(); more; more = listing.Next()) {
        if (listing.isDirectory != 0) continue;
        oxsdk::transport::TMarkerFields marker;
        if (!oxsdk::transport::ParseMarkerName(listing.entryName, name, &marker)) continue;

        // The reply layer: this side's name as the file has it, the sender as the other side.
        MOstrelCommunicationLayerInterface* created = New(marker.reader, marker.writer, marker.pid);
        if (created == nullptr) continue;
        COstrelFileLayer* layer = static_cast<COstrelFileLayer*>(created);

        oxsdk::transport::EReceiveResult received = oxsdk::transport::ReceiveIfComplete(
            *layer->arguments, layer->remoteName, layer->localName, layer->pid, marker.sequence,
            kMaxCommandSize);
        if (received != oxsdk::transport::EReceiveResult::kNotComplete) {
            MOstrelSession* session = new CFileLayerSession(marker.sequence);
            handler.HandleCommand(*layer, session);
            delete session;
        }
        delete layer;
    }
}
