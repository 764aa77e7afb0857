#pragma once

#include "operatormessages.h"

#include <QLoggingCategory>

// "pelsado.serve": what the commands without a window report, on by default.
Q_DECLARE_LOGGING_CATEGORY(lcServe)

// Operator messages where nobody is at the screen: each becomes one log line,
// and the handler that "showed" it goes on at once.
class LoggedMessages final : public OperatorMessages
{
public:
    void show(const QString &text) override;
};
