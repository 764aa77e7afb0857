#pragma once

#include <QApplication>
#include <QPointer>

#include <functional>
#include <vector>

class QSocketNotifier;
class QWindow;

// The application object of the start-up benchmark programs. It watches the
// event stream from outside the program's own code:
// - the first expose of the main window, taken once the window has been
//   painted (Qt paints a widget window while it handles the expose);
// - message boxes, answered with OK as soon as they are on screen, as an
//   operator who clicks at once would;
// - the ticks of a polling timer, each timed from delivery to return.
// Facts go to standard output one line each, flushed at once, for the
// benchmark driver to read:
//   at STAGE NS         a start-up stage reached, on the shared monotonic clock
//   message TEXT        a message box that was answered
//   ticks KIND COUNT MEDIAN_US P99_US MAX_US
//   hwm KIB             peak resident memory so far
class ProbeApplication final : public QApplication
{
public:
    ProbeApplication(int &argc, char **argv);
    ~ProbeApplication() override;

    static void report(const QString &line);
    static void reportStage(const char *stage, qint64 ns);
    static void reportPeakMemory();

    // `whenShown` runs once, right after the first expose of `window` has been
    // handled; the stage "shown" is reported just before.
    void watchMainWindow(QWidget *window, std::function<void()> whenShown);
    // `tickAnswered` is asked after each tick whether that tick answered a
    // terminal, so that answering ticks and idle ticks are reported apart.
    void watchTicks(QObject *timer, std::function<bool()> tickAnswered);
    void reportTicks() const;
    // `whenClosed` runs once, when standard input ends or a line "quit" comes.
    void watchInput(std::function<void()> whenClosed);

    bool notify(QObject *receiver, QEvent *event) override;

private:
    void windowExposed(QWindow *window);
    void readInput();

    QPointer<QWidget> m_mainWindow;
    std::function<void()> m_whenShown;
    bool m_shown = false;
    bool m_firstBoxSeen = false;

    QObject *m_tickTimer = nullptr;
    std::function<bool()> m_tickAnswered;
    std::vector<double> m_idleTicksUs;
    std::vector<double> m_answeringTicksUs;

    QSocketNotifier *m_input = nullptr;
    std::function<void()> m_whenInputClosed;
};
