#pragma once

#include "librarybinding.h"
#include "linktransport.h"

#include <QString>

// Makes each call in the tool's own process: loads the library by name at
// the first call, from `folder` (by default the executable's own) first, then
// the system's search path, and serves the call as the link bridge does.
class InProcessTransport final : public LinkTransport
{
public:
    static constexpr const char *defaultName = "wendalink";

    explicit InProcessTransport(
        const QString &name = QString::fromLatin1(defaultName), const QString &folder = {});

    std::optional<LinkCall::Answer> carry(LinkCall::Call call) override;

private:
    LibraryBinding m_library;
};
