#include "bootsettings.h"
#include "form1.h"
#include "linklibraryfactory.h"
#include "messageboxmessages.h"
#include "module3.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelsado"));
    QApplication::setOrganizationName(QStringLiteral("Pelsado"));
    QApplication::setApplicationVersion(QStringLiteral(PELSADO_VERSION_STRING));

    MessageBoxMessages messages;
    const std::unique_ptr<LinkLibrary> link = makeLinkLibrary(messages);
    BootSettings store;
    Module3 settings;

    Form1 window(settings, *link, messages, store);
    window.load();
    window.show();
    return app.exec();
}
