#include "probeapplication.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include <unistd.h>

namespace {
constexpr int inputChunk = 256;
// Marks a box whose answer is already on its way: a box may be exposed more
// than once before the click arrives.
constexpr const char *answeredProperty = "benchAnswered";
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

void ProbeApplication::finish()
{
    m_input.setEnabled(false);
    for (const bool answering : {true, false}) {
        const Summary ticks = summarize(m_ticksUs[answering]);
        if (m_tickTimer)
            report(text("ticks %1 %2 %3 %4 %5", QLatin1String(answering ? "answering" : "idle"),
                ticks.count, ticks.median, ticks.p99, ticks.max));
    }
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

    if (isTick)
        m_ticksUs[m_tickAnswered()].push_back(double(monotonicNs() - tickStart) / nsPerUs);
    if (exposedWindow && exposedWindow->isExposed())
        windowExposed(exposedWindow);
    return handled;
}

void ProbeApplication::windowExposed(QWindow *window)
{
    if (!m_shown && m_mainWindow && m_mainWindow->windowHandle() == window) {
        m_shown = true;
        reportStage("shown");
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
                if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                    ok->click();
                else
                    box->done(QMessageBox::Ok);
            },
            Qt::QueuedConnection);
    }
}
