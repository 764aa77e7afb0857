#include "measure.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unistd.h>

namespace {

constexpr double medianPercent = 50;
constexpr double p99Percent = 99;
// Fields of /proc/PID/stat, counted from the first after the command name's
// closing parenthesis (the name may hold blanks), which is the state, field 3.
constexpr int stateField = 3;
constexpr int utimeField = 14 - stateField;
constexpr int stimeField = 15 - stateField;

QByteArray procFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The first word of FILE in each of the process's threads, as numbers.
std::vector<qint64> fromTasks(qint64 pid, const QString &file)
{
    const QDir folder(QStringLiteral("/proc/%1/task").arg(pid));
    std::vector<qint64> values;
    for (const QString &task : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        values.push_back(
            procFile(folder.filePath(task) + file).simplified().split(' ').value(0).toLongLong());
    return values;
}

} // namespace

void printLine(std::FILE *stream, const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stream);
    std::fflush(stream);
}

Summary summarize(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    const auto rank = [&values](double percent) {
        const auto at = std::size_t(std::ceil(percent / percentPerShare * double(values.size())));
        return values.at(std::clamp<std::size_t>(at, 1, values.size()) - 1);
    };
    return {
        int(values.size()), values.front(), rank(medianPercent), rank(p99Percent), values.back()};
}

Timing timeMs(
    int repeats, const std::function<bool()> &operation, const std::function<void()> &prepare)
{
    std::vector<double> durations;
    bool succeeded = true;
    for (int repeat = 0; repeat < repeats; ++repeat) {
        if (prepare)
            prepare();
        const qint64 start = monotonicNs();
        succeeded = operation() && succeeded;
        durations.push_back(double(monotonicNs() - start) / nsPerMs);
    }
    return {summarize(durations), succeeded};
}

namespace ProcFs {

qint64 cpuTimeNs(qint64 pid)
{
    const QByteArray stat = procFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 1).simplified().split(' ');
    if (fields.size() <= stimeField)
        return unknown;
    const qint64 ticks = fields.at(utimeField).toLongLong() + fields.at(stimeField).toLongLong();
    return qint64(double(ticks) * nsPerSecond / double(sysconf(_SC_CLK_TCK)));
}

qint64 scheduledNs(qint64 pid)
{
    const std::vector<qint64> perTask = fromTasks(pid, QStringLiteral("/schedstat"));
    return std::accumulate(perTask.begin(), perTask.end(), qint64(0));
}

qint64 statusKib(qint64 pid, const char *field)
{
    const QByteArray status = procFile(QStringLiteral("/proc/%1/status").arg(pid));
    const qsizetype at = status.indexOf(field);
    return at < 0
        ? unknown
        : status.mid(at + qsizetype(qstrlen(field))).simplified().split(' ')[0].toLongLong();
}

qint64 firstChild(qint64 pid)
{
    for (const qint64 child : fromTasks(pid, QStringLiteral("/children")))
        if (child > 0)
            return child;
    return 0;
}

} // namespace ProcFs
