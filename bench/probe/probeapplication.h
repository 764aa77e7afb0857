#pragma once

#include "measure.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <functional>
#include <vector>

class QWindow;

// The application object of the measured programs. It watches the event
// stream from outside the program's own code: the first expose of the main
// window (Qt paints a widget window while it handles it), message boxes
// (answered with OK once on screen, as an operator who clicks at once) and the
// ticks of a polling timer. It reports one line each on standard output:
//   at STAGE NS   a start-up stage reached, on the steady clock
//   ticks KIND COUNT MEDIAN_US P99_US MAX_US   (KIND: answering, idle)
class ProbeApplication final : public QApplication
{
public:
    ProbeApplication(int &argc, char **argv);

    static void report(const QString &line) { printLine(stdout, line); }
    static void reportStage(const char *stage, qint64 ns = monotonicNs())
    {
        report(text("at %1 %2", QLatin1String(stage), ns));
    }

    // Reports "at shown" once `window` is first shown, then the ticks as the
    // window closes: at once (`quitWhenShown`) or when standard input ends.
    void watchMainWindow(QWidget *window, bool quitWhenShown)
    {
        m_mainWindow = window;
        m_quitWhenShown = quitWhenShown;
    }
    // `tickAnswered` tells after each tick whether it answered a terminal.
    void watchTicks(QObject *timer, std::function<bool()> tickAnswered)
    {
        m_tickTimer = timer;
        m_tickAnswered = std::move(tickAnswered);
    }

    bool notify(QObject *receiver, QEvent *event) override;

private:
    void windowExposed(QWindow *window);
    void finish();

    QPointer<QWidget> m_mainWindow;
    bool m_quitWhenShown = false;
    bool m_shown = false;
    bool m_firstBoxSeen = false;
    QSocketNotifier m_input;

    QObject *m_tickTimer = nullptr;
    std::function<bool()> m_tickAnswered;
    std::vector<double> m_ticksUs[2]; // idle, answering
};
