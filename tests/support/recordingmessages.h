#pragma once

#include "operatormessages.h"

#include <QStringList>

#include <functional>

// Records what the operator was told; `onShow` runs while the "box" is open.
class RecordingMessages final : public OperatorMessages
{
public:
    QStringList shown;
    std::function<void(const QString &text)> onShow;

    void show(const QString &text) override
    {
        shown << text;
        if (onShow)
            onShow(text);
    }
};
