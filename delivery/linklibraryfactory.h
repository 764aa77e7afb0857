#pragma once

#include "linklibrary.h"

#include <memory>

class OperatorMessages;

// How the tool reaches the link library: in its own process, or through the
// link bridge (a process of its own, needed where the library's word size
// differs from the tool's). Chosen when building.
enum class LinkLoading { InProcess, Bridge };

#if PELSADO_LINK_BRIDGE
constexpr LinkLoading builtLinkLoading = LinkLoading::Bridge;
#else
constexpr LinkLoading builtLinkLoading = LinkLoading::InProcess;
#endif

std::unique_ptr<LinkLibrary> makeLinkLibrary(
    OperatorMessages &messages, LinkLoading loading = builtLinkLoading);
