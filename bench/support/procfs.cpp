#include "procfs.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

#include <unistd.h>

namespace {

// Fields of /proc/PID/stat counted after the command name's closing
// parenthesis (the name may itself hold blanks and parentheses): the state is
// field 3 of the whole line, utime 14 and stime 15.
constexpr int firstFieldAfterName = 3;
constexpr int utimeField = 14 - firstFieldAfterName;
constexpr int stimeField = 15 - firstFieldAfterName;
constexpr double nsPerSecond = 1e9;

QByteArray readProcFile(qint64 pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// A size field of /proc/PID/status, e.g. "VmHWM:     12345 kB", in KiB.
qint64 statusKib(qint64 pid, const char *field)
{
    const QByteArray key(field);
    for (const QByteArray &line : readProcFile(pid, "status").split('\n')) {
        if (!line.startsWith(key))
            continue;
        bool ok = false;
        const qint64 kib = line.mid(key.size()).simplified().split(' ').value(0).toLongLong(&ok);
        return ok ? kib : ProcFs::unknown;
    }
    return ProcFs::unknown;
}

} // namespace

namespace ProcFs {

qint64 cpuTimeNs(qint64 pid)
{
    const QByteArray stat = readProcFile(pid, "stat");
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0)
        return unknown;
    const QList<QByteArray> fields = stat.mid(nameEnd + 1).simplified().split(' ');
    if (fields.size() <= stimeField)
        return unknown;
    bool utimeOk = false;
    bool stimeOk = false;
    const qint64 ticks
        = fields.at(utimeField).toLongLong(&utimeOk) + fields.at(stimeField).toLongLong(&stimeOk);
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (!utimeOk || !stimeOk || ticksPerSecond <= 0)
        return unknown;
    return qint64(double(ticks) * nsPerSecond / double(ticksPerSecond));
}

qint64 scheduledNs(qint64 pid)
{
    // /proc/PID/task/TID/schedstat: time on a CPU (ns), time waiting, slices.
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    if (!tasks.exists())
        return unknown;
    qint64 total = 0;
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (!schedstat.open(QIODevice::ReadOnly))
            continue;
        total += schedstat.readAll().split(' ').value(0).toLongLong();
    }
    return total;
}

qint64 peakResidentKib(qint64 pid)
{
    return statusKib(pid, "VmHWM:");
}

qint64 residentKib(qint64 pid)
{
    return statusKib(pid, "VmRSS:");
}

} // namespace ProcFs
