#include "loggedmessages.h"

Q_LOGGING_CATEGORY(lcServe, "pelsado.serve", QtInfoMsg)

void LoggedMessages::show(const QString &text)
{
    qCInfo(lcServe).noquote() << text;
}
