#include "probeapplication.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int inputChunk = 256;
// Marks a box whose answer is already on its way: a box may be exposed more
// than once before the click arrives.
constexpr const char *answeredProperty = "benchAnswered";

QString tickLine(const char *kind, const std::vector<double> &durationsUs)
{
    const Summary summary = summarize(durationsUs);
    return QStringLiteral("ticks %1 %2 %3 %4 %5")
        .arg(QLatin1String(kind))
        .arg(summary.count)
        .arg(summary.median, 0, 'f', 1)
        .arg(summary.p99, 0, 'f', 1)
        .arg(summary.max, 0, 'f', 1);
}

} // namespace

ProbeApplication::ProbeApplication(int &argc, char **argv)
    : QApplication(argc, argv)
    , m_input(STDIN_FILENO, QSocketNotifier::Read)
{
    m_input.setEnabled(false);
    connect(&m_input, &QSocketNotifier::activated, this, [this] {
        char buffer[inputChunk];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            finish();
    });
}

void ProbeApplication::report(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void ProbeApplication::reportStage(const char *stage, qint64 ns)
{
    report(QStringLiteral("at %1 %2").arg(QLatin1String(stage)).arg(ns));
}

void ProbeApplication::watchMainWindow(
    QWidget *window, bool quitWhenShown, std::function<void()> whenShown)
{
    m_mainWindow = window;
    m_quitWhenShown = quitWhenShown;
    m_whenShown = std::move(whenShown);
}

void ProbeApplication::watchTicks(QObject *timer, std::function<bool()> tickAnswered)
{
    m_tickTimer = timer;
    m_tickAnswered = std::move(tickAnswered);
}

void ProbeApplication::finish()
{
    m_input.setEnabled(false);
    if (m_tickTimer) {
        report(tickLine("answering", m_answeringTicksUs));
        report(tickLine("idle", m_idleTicksUs));
    }
    report(QStringLiteral("hwm %1").arg(ProcFs::statusKib(applicationPid())));
    QTimer::singleShot(0, m_mainWindow, &QWidget::close);
}

bool ProbeApplication::notify(QObject *receiver, QEvent *event)
{
    const bool isTick = receiver == m_tickTimer && event->type() == QEvent::Timer;
    const qint64 tickStart = isTick ? monotonicNs() : 0;
    // Guarded: the window may be gone once its event has been handled.
    QPointer<QWindow> exposedWindow;
    if (event->type() == QEvent::Expose && receiver->isWindowType())
        exposedWindow = static_cast<QWindow *>(receiver);

    const bool handled = QApplication::notify(receiver, event);

    if (isTick) {
        const double durationUs = double(monotonicNs() - tickStart) / nsPerUs;
        (m_tickAnswered() ? m_answeringTicksUs : m_idleTicksUs).push_back(durationUs);
    }
    if (exposedWindow && exposedWindow->isExposed())
        windowExposed(exposedWindow);
    return handled;
}

void ProbeApplication::windowExposed(QWindow *window)
{
    if (!m_shown && m_mainWindow && m_mainWindow->windowHandle() == window) {
        m_shown = true;
        reportStage("shown");
        if (m_whenShown)
            m_whenShown();
        if (m_quitWhenShown)
            finish();
        else
            m_input.setEnabled(true);
        return;
    }
    for (QWidget *widget : topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box || box->windowHandle() != window || box->property(answeredProperty).toBool())
            continue;
        box->setProperty(answeredProperty, true);
        if (!m_firstBoxSeen) {
            m_firstBoxSeen = true;
            reportStage("box-shown");
        }
        // Clicked from the event loop, as a real click would come, not from
        // inside the expose that is still being handled.
        QMetaObject::invokeMethod(
            box,
            [box] {
                report(QStringLiteral("message %1").arg(box->text()));
                if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                    ok->click();
                else
                    box->done(QMessageBox::Ok);
            },
            Qt::QueuedConnection);
    }
}
