#include "linklibrarymessages.h"

#include <algorithm>

namespace {

const QString carryOnWithoutLink
    = QStringLiteral("\n\nPelsado carries on without a link to the terminals; "
                     "configuration files can still be loaded and saved.");

} // namespace

QString libraryMissingText(const QString &file, const QString &program)
{
    // The program's path comes from the process that looked: on Windows with
    // backslashes, whatever system shows the message.
    const qsizetype end = std::max(program.lastIndexOf(u'/'), program.lastIndexOf(u'\\'));
    const QString name = program.mid(end + 1);
    const QString folder = end > 0 ? program.left(end) : QString();
    const QString where = name.isEmpty()
        ? QStringLiteral("on the system's search path")
        : QStringLiteral("beside %1 (in %2) nor on the system's search path").arg(name, folder);
    return QStringLiteral("The link library \"%1\" was not found %2.\n\nPut %1 beside %3.")
               .arg(file, where, name.isEmpty() ? QStringLiteral("the program") : name)
        + carryOnWithoutLink;
}

QString libraryWrongKindText(const QString &file, const QString &reason)
{
    return QStringLiteral("The file \"%1\" is not a link library this program can load (%2).\n\n"
                          "A 32-bit program loads only a 32-bit library, a 64-bit program only a "
                          "64-bit one; on Windows the link bridge, wendalink-bridge.exe, is a "
                          "32-bit program and needs the 32-bit wendalink.dll.")
               .arg(file, reason)
        + carryOnWithoutLink;
}

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
