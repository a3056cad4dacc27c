// Out-of-line members of the session, layer and handler interfaces.
#include "OXSDK5Link/CommunicationLayer.h"

MOstrelSession::~MOstrelSession() = default;

MOstrelCommunicationLayerInterface::MOstrelCommunicationLayerInterface(MArguments* argumentList)
    : arguments(argumentList) {}

MOstrelCommunicationLayerInterface::~MOstrelCommunicationLayerInterface() { delete arguments; }

int MOstrelCommunicationLayerInterface::NrReceiveFields() const {
    return arguments->NrReceiveFields();
}

const char* MOstrelCommunicationLayerInterface::ReceiveField(int index) const {
    return arguments->ReceiveField(index);
}

MCommandHandlerInterface::~MCommandHandlerInterface() = default;
