#pragma once

#include <QObject>

class QSocketNotifier;

// How a command without a window is told to stop or to read its file again:
// SIGINT and SIGTERM stop, SIGHUP rereads (Unix); Ctrl+C, Ctrl+Break and
// closing the console stop (Windows, which has no rereading). The requests
// arrive as signals on the thread that made the object. One at a time: the
// operating system's handlers are process-wide.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    // Puts the earlier handlers back. On Windows, a console that is closing
    // waits for this, so the link is closed before the process is ended.
    ~StopSignals() override;

signals:
    void stopRequested();
    void rereadRequested();

private:
#ifdef Q_OS_UNIX
    void readPendingSignals();

    QSocketNotifier *m_notifier = nullptr;
#endif
};
