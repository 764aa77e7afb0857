#pragma once

#include "linkcall.h"

#include <optional>

// How a library call travels to the process that holds the link library and
// back: there, serve() (librarybinding.h) makes it. The answer may say that
// the library or the function is missing; nothing comes back when the way
// itself failed, which the transport has then told the operator.
class LinkTransport
{
public:
    virtual ~LinkTransport() = default;

    virtual std::optional<LinkCall::Answer> carry(LinkCall::Call call) = 0;
};
