#pragma once

#include <QString>

// How a handler tells the operator something: a modal message with one OK
// button. Returns once the operator has dismissed it. Tests hand in a fake
// that records the texts.
class OperatorMessages
{
public:
    virtual ~OperatorMessages() = default;
    virtual void show(const QString &text) = 0;
};
