// Pelsado as its own main() builds it, under the probe application: the same
// production objects in the same order (message boxes, the link library loaded
// from beside the executable, the user's settings store, Form1, load, show).
// The only differences: the probe answers each message box as soon as it is on
// screen, reports when the main window is first shown, and times the polling
// ticks; the link library is reached through a thin pass-through that notes
// when a configuration goes out.
//
//   pelsado-bench-tool [--quit-when-shown] [--check 1,2,...] [--bridge]
//
// --check ticks those options once the window is shown (a request then gets a
// list). Without --quit-when-shown the program runs until its standard input
// ends, then reports its ticks and peak memory and closes the window.
// --bridge reaches the link library through the link bridge instead.

#include "benchclock.h"
#include "bootsettings.h"
#include "form1.h"
#include "linklibraryfactory.h"
#include "messageboxmessages.h"
#include "module3.h"
#include "probeapplication.h"
#include "watchedlink.h"

#include <QCommandLineParser>
#include <QTimer>

#include <vector>

int main(int argc, char **argv)
{
    const qint64 entered = monotonicNs();

    ProbeApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelsado"));
    QApplication::setOrganizationName(QStringLiteral("Pelsado"));
    QApplication::setApplicationVersion(QStringLiteral(PELSADO_VERSION_STRING));

    QCommandLineParser parser;
    const QCommandLineOption quitOption(
        QStringLiteral("quit-when-shown"), QStringLiteral("Close once the window is shown."));
    const QCommandLineOption checkOption(QStringLiteral("check"),
        QStringLiteral("Options to tick once the window is shown."), QStringLiteral("list"));
    const QCommandLineOption bridgeOption(
        QStringLiteral("bridge"), QStringLiteral("Reach the link library through the bridge."));
    parser.addOptions({quitOption, checkOption, bridgeOption});
    parser.process(app);
    const bool quitWhenShown = parser.isSet(quitOption);
    std::vector<int> checks;
    for (const QString &number : parser.value(checkOption).split(u',', Qt::SkipEmptyParts))
        checks.push_back(number.toInt());

    ProbeApplication::reportStage("main", entered);

    MessageBoxMessages messages;
    const std::unique_ptr<LinkLibrary> wendalink = makeLinkLibrary(
        messages, parser.isSet(bridgeOption) ? LinkLoading::Bridge : LinkLoading::InProcess);
    WatchedLink link(*wendalink);
    BootSettings store;
    Module3 settings;

    Form1 window(settings, link, messages, store);
    ProbeApplication::reportStage("built", monotonicNs());
    app.watchTicks(window.findChild<QTimer *>(QStringLiteral("Timer1")),
        [&link] { return link.takeAnswered(); });

    window.load();
    ProbeApplication::reportStage("loaded", monotonicNs());
    ProbeApplication::report(
        settings.baseStationMode() ? QStringLiteral("mode base") : QStringLiteral("mode serial"));

    app.watchMainWindow(&window, [&] {
        for (const int checkNumber : checks)
            window.setCheckState(checkNumber, OptionPanel::checked);
        if (quitWhenShown) {
            ProbeApplication::reportPeakMemory();
            QTimer::singleShot(0, &window, &QWidget::close);
            return;
        }
        app.watchInput([&] {
            app.reportTicks();
            ProbeApplication::reportPeakMemory();
            window.close();
        });
    });
    window.show();
    return app.exec();
}
