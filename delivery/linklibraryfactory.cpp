#include "linklibraryfactory.h"

#include "bridgedlinklibrary.h"
#include "wendalinklibrary.h"

std::unique_ptr<LinkLibrary> makeLinkLibrary(OperatorMessages &messages, LinkLoading loading)
{
    if (loading == LinkLoading::Bridge)
        return std::make_unique<BridgedLinkLibrary>(messages);
    return std::make_unique<WendalinkLibrary>(messages);
}
