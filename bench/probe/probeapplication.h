#pragma once

#include "measure.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <functional>
#include <vector>

class QWindow;

// The application object of the programs whose start-up is measured. It
// watches the event stream from outside the program's own code:
// - the first expose of the main window, taken once the window has been
//   painted (Qt paints a widget window while it handles the expose);
// - message boxes, answered with OK as soon as they are on screen, as an
//   operator who clicks at once would;
// - the ticks of a polling timer, each timed from delivery to return.
// Facts go to standard output one line each, flushed at once:
//   at STAGE NS         a start-up stage reached, on the steady clock
//   message TEXT        a message box that was answered
//   ticks KIND COUNT MEDIAN_US P99_US MAX_US   (KIND: answering, idle)
//   hwm KIB             peak resident memory so far
class ProbeApplication final : public QApplication
{
public:
    ProbeApplication(int &argc, char **argv);

    static void report(const QString &line);
    static void reportStage(const char *stage, qint64 ns = monotonicNs());

    // Once `window` is first shown: reports "at shown", runs `whenShown`,
    // then closes the window at once (`quitWhenShown`) or when standard input
    // ends, reporting the ticks and the peak memory first.
    void watchMainWindow(QWidget *window, bool quitWhenShown, std::function<void()> whenShown);
    // `tickAnswered` is asked after each tick whether that tick answered a
    // terminal, so that answering and idle ticks are reported apart.
    void watchTicks(QObject *timer, std::function<bool()> tickAnswered);

    bool notify(QObject *receiver, QEvent *event) override;

private:
    void windowExposed(QWindow *window);
    void finish();

    QPointer<QWidget> m_mainWindow;
    bool m_quitWhenShown = false;
    std::function<void()> m_whenShown;
    bool m_shown = false;
    bool m_firstBoxSeen = false;
    QSocketNotifier m_input;

    QObject *m_tickTimer = nullptr;
    std::function<bool()> m_tickAnswered;
    std::vector<double> m_idleTicksUs;
    std::vector<double> m_answeringTicksUs;
};
