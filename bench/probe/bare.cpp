// The yardstick for start-up and memory: an empty main window under the probe.
// Its variants tell apart what the tool's start-up spends beyond it: --text
// shows one caption (the first text sets up the font system), --file-dialog
// also builds a file dialog, not shown. --quit-when-shown as the tool's.

#include "probeapplication.h"

#include <QFileDialog>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char **argv)
{
    const qint64 entered = monotonicNs();
    ProbeApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    ProbeApplication::reportStage("main", entered);

    QMainWindow window;
    if (arguments.contains(QStringLiteral("--text")))
        window.setCentralWidget(new QLabel(QStringLiteral("Disable EAN-13"), &window));
    if (arguments.contains(QStringLiteral("--file-dialog")))
        new QFileDialog(&window);
    app.watchMainWindow(&window, arguments.contains(QStringLiteral("--quit-when-shown")));
    window.show();
    return QApplication::exec();
}
