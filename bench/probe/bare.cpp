// The yardstick for start-up and memory: a bare Qt Widgets program that shows
// an empty main window, measured by the same probe as the tool.
//
//   pelsado-bench-bare [--quit-when-shown] [--text] [--file-dialog]
//
// The variants tell apart what the tool's start-up spends beyond the bare
// window: --text shows one caption (the first text any program draws sets up
// the font system), --file-dialog also builds a file dialog, not shown.

#include "probeapplication.h"

#include <QCommandLineParser>
#include <QFileDialog>
#include <QLabel>
#include <QMainWindow>

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
    ProbeApplication::reportStage("main", entered);

    QMainWindow window;
    if (parser.isSet(textOption))
        window.setCentralWidget(new QLabel(QStringLiteral("Disable EAN-13"), &window));
    if (parser.isSet(fileDialogOption))
        new QFileDialog(&window);
    app.watchMainWindow(&window, parser.isSet(quitOption), {});
    window.show();
    return QApplication::exec();
}
