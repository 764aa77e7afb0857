#include "linklibraryfactory.h"

#include "bridgetransport.h"
#include "inprocesstransport.h"

std::unique_ptr<LinkLibrary> makeLinkLibrary(OperatorMessages &messages, LinkLoading loading)
{
    std::unique_ptr<LinkTransport> transport;
    if (loading == LinkLoading::Bridge)
        transport = std::make_unique<BridgeTransport>(messages);
    else
        transport = std::make_unique<InProcessTransport>();
    return std::make_unique<LinkLibrary>(std::move(transport), messages);
}
