// Pelsado as its own main() starts it, through the same start-up function,
// under the probe application. The only differences: the probe answers each
// message box as soon as it is on screen, reports when the main window is
// first shown, and times the polling ticks; the link library is reached
// through a thin pass-through that notes when a configuration goes out.
//
//   pelsado-bench-tool [--quit-when-shown] [--check 1,2,...] [--bridge]
//
// --check ticks those options once the window is shown (a request then gets a
// list). Without --quit-when-shown the program runs until its standard input
// ends, then reports its ticks and peak memory and closes the window.
// --bridge reaches the link library through the link bridge instead.

#include "benchclock.h"
#include "form1.h"
#include "linklibrary.h"
#include "module3.h"
#include "probeapplication.h"
#include "startup.h"
#include "watchedlink.h"

#include <QCommandLineParser>
#include <QTimer>

#include <optional>
#include <vector>

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
    const bool quitWhenShown = parser.isSet(quitOption);
    std::vector<int> checks;
    for (const QString &number : parser.value(checkOption).split(u',', Qt::SkipEmptyParts))
        checks.push_back(number.toInt());

    ProbeApplication::reportStage("main", entered);

    std::optional<WatchedLink> watched;
    std::optional<LinkLibrary> link;
    StartupHooks hooks;
    hooks.linkLoading = parser.isSet(bridgeOption) ? LinkLoading::Bridge : LinkLoading::InProcess;
    hooks.wrapLink = [&](LinkLibrary &production) -> LinkLibrary & {
        watched.emplace(production.transport());
        return link.emplace(*watched, production.messages());
    };
    hooks.built = [&](Form1 &window) {
        ProbeApplication::reportStage("built", monotonicNs());
        app.watchTicks(window.findChild<QTimer *>(QStringLiteral("Timer1")),
            [&watched] { return watched->takeAnswered(); });
    };
    hooks.loaded = [&](Form1 &window, const Module3 &settings) {
        ProbeApplication::reportStage("loaded", monotonicNs());
        ProbeApplication::report(settings.baseStationMode() ? QStringLiteral("mode base")
                                                            : QStringLiteral("mode serial"));
        Form1 *shown = &window;
        app.watchMainWindow(shown, [&, shown] {
            for (const int checkNumber : checks)
                shown->setCheckState(checkNumber, OptionPanel::checked);
            if (quitWhenShown) {
                ProbeApplication::reportPeakMemory();
                QTimer::singleShot(0, shown, &QWidget::close);
                return;
            }
            app.watchInput([&, shown] {
                app.reportTicks();
                ProbeApplication::reportPeakMemory();
                shown->close();
            });
        });
    };
    return runPelsado(hooks);
}
