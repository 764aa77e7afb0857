#include "stopsignals.h"

#include "loggedmessages.h"

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
#include <QMetaObject>

#include <atomic>
#include <windows.h>
#endif

#ifdef Q_OS_UNIX
namespace {

constexpr std::array watchedSignals {SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, watchedSignals.size()> previousActions {};

// A handler may do next to nothing; it hands the signal's number to the event
// loop through a socket pair: [0] written by the handler, [1] read there.
std::array<int, 2> signalSockets {-1, -1};

extern "C" void forwardSignal(int number)
{
    const int savedErrno = errno;
    const char byte = char(number);
    // A full socket drops the byte: the requests already waiting say the same.
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, signalSockets.data())
        != 0) {
        qCWarning(lcServe).noquote()
            << QStringLiteral("signals cannot be watched (%1); the default actions apply")
                   .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readPendingSignals);

    struct sigaction action
    {
    };
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls resume; the event loop sees the byte instead.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < watchedSignals.size(); ++i)
        ::sigaction(watchedSignals[i], &action, &previousActions[i]);
}

StopSignals::~StopSignals()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < watchedSignals.size(); ++i)
        ::sigaction(watchedSignals[i], &previousActions[i], nullptr);
    delete m_notifier;
    for (int &socket : signalSockets) {
        ::close(socket);
        socket = -1;
    }
}

void StopSignals::readPendingSignals()
{
    char number = 0;
    while (::read(signalSockets[1], &number, 1) == 1) {
        if (number == SIGHUP)
            emit rereadRequested();
        else
            emit stopRequested();
    }
}
#endif // Q_OS_UNIX

#ifdef Q_OS_WIN
namespace {

std::atomic<StopSignals *> watcher {nullptr};
std::atomic<bool> watcherGone {false};

// Windows ends the process once the handler returns from these events, and
// after at most a few seconds in any case.
constexpr DWORD endingWaitStepMs = 50;
constexpr int endingWaitSteps = 80;

// Runs on a thread of its own: the request is queued to the watcher's thread.
BOOL WINAPI consoleEvent(DWORD event)
{
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    const bool ending
        = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    if (!interrupt && !ending)
        return FALSE;
    QMetaObject::invokeMethod(watcher.load(), &StopSignals::stopRequested, Qt::QueuedConnection);
    for (int step = 0; ending && step < endingWaitSteps && !watcherGone; ++step)
        Sleep(endingWaitStepMs);
    return TRUE;
}

} // namespace

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
    watcher = this;
    watcherGone = false;
    if (!SetConsoleCtrlHandler(consoleEvent, TRUE))
        qCWarning(lcServe) << "console events cannot be watched; the default actions apply";
}

StopSignals::~StopSignals()
{
    SetConsoleCtrlHandler(consoleEvent, FALSE);
    watcher = nullptr;
    watcherGone = true;
}
#endif // Q_OS_WIN
