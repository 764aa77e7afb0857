// Pelsado as its own main() starts it, from the production objects of
// pelsado_app, under the probe. A tick answered a terminal when the field log
// (pelsado.delivery, enabled here) noted a request in it. Arguments:
// [--quit-when-shown] [--check 1,2,...: options to tick] [--bridge: the link
// library through the link bridge].

#include "bootsettings.h"
#include "fieldlog.h"
#include "form1.h"
#include "linklibraryfactory.h"
#include "messageboxmessages.h"
#include "module3.h"
#include "probeapplication.h"
#include "startup.h"

#include <QLoggingCategory>
#include <QTimer>

#include <utility>

namespace {

bool requestHandled = false;
QtMessageHandler otherMessages = nullptr;

void noteRequest(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (qstrcmp(context.category, lcDelivery().categoryName()) == 0)
        requestHandled = true;
    else
        otherMessages(type, context, message);
}

} // namespace

int main(int argc, char **argv)
{
    const qint64 entered = monotonicNs();
    ProbeApplication app(argc, argv);
    setApplicationIdentity();
    const QStringList arguments = QApplication::arguments();
    const qsizetype checkAt = arguments.indexOf(QStringLiteral("--check"));
    const QString checks = checkAt < 0 ? QString() : arguments.value(checkAt + 1);
    ProbeApplication::reportStage("main", entered);

    QLoggingCategory::setFilterRules(
        QLatin1String(lcDelivery().categoryName()) + QStringLiteral(".info=true"));
    otherMessages = qInstallMessageHandler(noteRequest);
    MessageBoxMessages messages;
    const std::unique_ptr<LinkLibrary> link = makeLinkLibrary(messages,
        arguments.contains(QStringLiteral("--bridge")) ? LinkLoading::Bridge
                                                       : LinkLoading::InProcess);
    BootSettings store;
    Module3 settings;
    Form1 window(settings, *link, messages, store);
    ProbeApplication::reportStage("built");
    app.watchTicks(window.findChild<QTimer *>(QStringLiteral("Timer1")),
        [] { return std::exchange(requestHandled, false); });
    window.load();
    ProbeApplication::reportStage("loaded");
    ProbeApplication::report(
        settings.baseStationMode() ? QStringLiteral("mode base") : QStringLiteral("mode serial"));
    for (const QString &number : checks.split(u',', Qt::SkipEmptyParts))
        window.setCheckState(number.toInt(), OptionPanel::checked);
    app.watchMainWindow(&window, arguments.contains(QStringLiteral("--quit-when-shown")));
    window.show();
    return QApplication::exec();
}
