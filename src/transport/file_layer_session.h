// The session of the file layer: the sequence number of one sent command, from SendCommand
// until StartReceiveCommand collects the reply, and the conversation it claims meanwhile
// (conversation_claims.h). Sessions are blocks of the runtime allocator (malloc/free). Used by
// COstrelFileLayer and ProcessEvents.
#pragma once

#include <cstddef>
#include "OXSDK5Link/CommunicationLayer.h"
#include "transport/conversation_claims.h"

class CFileLayerSession : public MOstrelSession {
public:
    explicit CFileLayerSession(int sequenceNumber) : sequence(sequenceNumber) {}
    ~CFileLayerSession() override;

    /// malloc; null when it fails (the new-expression then yields null).
    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* block) noexcept;

    int sequence;
    /// Key of the conversation this command claims (empty text: none); released when the
    /// session ends.
    oxsdk::transport::TConversationKey claim;
};
