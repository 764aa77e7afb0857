#pragma once

#include "operatormessages.h"

// Operator messages as modal message boxes: the text, one OK button, no icon,
// and "Pelsado" as the title.
class MessageBoxMessages final : public OperatorMessages
{
public:
    void show(const QString &text) override;
};
