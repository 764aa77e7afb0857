#include "linklibrarymessages.h"

namespace {

const QString carryOnWithoutLink
    = QStringLiteral("\n\nPelsado carries on without a link to the terminals; "
                     "configuration files can still be loaded and saved.");

} // namespace

QString libraryNotLoadedText(const QString &library, const QString &reasons)
{
    return QStringLiteral("The link library \"%1\" could not be loaded: %2").arg(library, reasons)
        + carryOnWithoutLink;
}

QString functionMissingText(const QString &library, const QString &function, const QString &reason)
{
    return QStringLiteral("The link library \"%1\" has no function %2 (%3).\n\n"
                          "Pelsado carries on without it.")
        .arg(library, function, reason);
}

QString bridgeFailedText(const QString &bridge, const QString &what)
{
    return QStringLiteral("The link bridge \"%1\" %2.").arg(bridge, what) + carryOnWithoutLink;
}
