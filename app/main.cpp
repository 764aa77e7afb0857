#include "bootsettings.h"
#include "form1.h"
#include "messageboxmessages.h"
#include "module3.h"
#include "wendalinklibrary.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelsado"));
    QApplication::setOrganizationName(QStringLiteral("Pelsado"));
    QApplication::setApplicationVersion(QStringLiteral(PELSADO_VERSION_STRING));

    MessageBoxMessages messages;
    WendalinkLibrary link(messages);
    BootSettings store;
    Module3 settings;

    Form1 window(settings, link, messages, store);
    window.load();
    window.show();
    return app.exec();
}
