// Pelsado as its own main() starts it, from the same production objects of
// pelsado_app, under the probe application, which answers each message box as
// soon as it is on screen, reports when the main window is first shown and
// times the polling ticks. A tick answered a terminal when the tool's field
// log (pelsado.delivery, enabled here) noted a request during it.
//
//   pelsado-bench-tool [--quit-when-shown] [--check 1,2,...] [--bridge]
//
// --check ticks those options once the window is shown (a request then gets a
// list); --bridge reaches the link library through the link bridge.

#include "bootsettings.h"
#include "form1.h"
#include "linklibraryfactory.h"
#include "messageboxmessages.h"
#include "module3.h"
#include "probeapplication.h"
#include "startup.h"

#include <QCommandLineParser>
#include <QLoggingCategory>
#include <QTimer>

#include <utility>

namespace {

bool requestHandled = false;
QtMessageHandler otherMessages = nullptr;

void noteRequest(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (qstrcmp(context.category, "pelsado.delivery") == 0)
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
    QCommandLineParser parser;
    const QCommandLineOption quitOption(
        QStringLiteral("quit-when-shown"), QStringLiteral("Close once the window is shown."));
    const QCommandLineOption checkOption(QStringLiteral("check"),
        QStringLiteral("Options to tick once the window is shown."), QStringLiteral("list"));
    const QCommandLineOption bridgeOption(
        QStringLiteral("bridge"), QStringLiteral("Reach the link library through the bridge."));
    parser.addOptions({quitOption, checkOption, bridgeOption});
    if (const auto answer = answerCommandLine(parser, QApplication::arguments()))
        return printAnswer(*answer);
    ProbeApplication::reportStage("main", entered);

    QLoggingCategory::setFilterRules(QStringLiteral("pelsado.delivery.info=true"));
    otherMessages = qInstallMessageHandler(noteRequest);
    MessageBoxMessages messages;
    const std::unique_ptr<LinkLibrary> link = makeLinkLibrary(
        messages, parser.isSet(bridgeOption) ? LinkLoading::Bridge : LinkLoading::InProcess);
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
    app.watchMainWindow(&window, parser.isSet(quitOption), [&] {
        for (const QString &number : parser.value(checkOption).split(u',', Qt::SkipEmptyParts))
            window.setCheckState(number.toInt(), OptionPanel::checked);
    });
    window.show();
    return QApplication::exec();
}
