// The yardstick for start-up and memory: a bare Qt Widgets program that shows
// an empty main window, measured by the same probe as the tool.
//
//   pelsado-bench-bare [--quit-when-shown] [--text] [--file-dialog]
//
// The two variants tell apart what the tool's start-up spends beyond the bare
// window: --text shows one caption (the first text any program draws sets up
// the font system), --file-dialog also builds a file dialog, without showing
// it, as the tool's main window does. Without --quit-when-shown the program
// runs until its standard input ends.

#include "benchclock.h"
#include "probeapplication.h"

#include <QCommandLineParser>
#include <QFileDialog>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char **argv)
{
    const qint64 entered = monotonicNs();

    ProbeApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption quitOption(
        QStringLiteral("quit-when-shown"), QStringLiteral("Close once the window is shown."));
    const QCommandLineOption textOption(
        QStringLiteral("text"), QStringLiteral("Show one caption in the window."));
    const QCommandLineOption fileDialogOption(
        QStringLiteral("file-dialog"), QStringLiteral("Build a file dialog, not shown."));
    parser.addOptions({quitOption, textOption, fileDialogOption});
    parser.process(app);
    const bool quitWhenShown = parser.isSet(quitOption);
    ProbeApplication::reportStage("main", entered);

    QMainWindow window;
    if (parser.isSet(textOption))
        window.setCentralWidget(new QLabel(QStringLiteral("Disable EAN-13"), &window));
    if (parser.isSet(fileDialogOption))
        new QFileDialog(&window);

    app.watchMainWindow(&window, [&] {
        if (quitWhenShown) {
            ProbeApplication::reportPeakMemory();
            QTimer::singleShot(0, &window, &QWidget::close);
            return;
        }
        app.watchInput([&] {
            ProbeApplication::reportPeakMemory();
            window.close();
        });
    });
    window.show();
    return app.exec();
}
