#include "bench.h"
#include "configurationstore.h"

namespace {
constexpr int baseStationTerminals = 1;
} // namespace

void Report::row(const QString &measurement, const QString &result, const QString &target,
    std::optional<bool> met)
{
    const char *verdict = !met ? "(report only)" : *met ? "met" : "**missed**";
    detail(QStringLiteral("result | %1 | %2 | %3 | %4 |")
               .arg(measurement, result, target, QLatin1String(verdict)));
}

bool Report::failed(const QString &measurement, const QString &target, const QString &reason)
{
    detail(QStringLiteral("result | %1 | not measured: %2 | %3 | - |")
               .arg(measurement, reason, target));
    printLine(stderr, measurement + QStringLiteral(": not measured: ") + reason);
    return false;
}

QProcessEnvironment Workspace::environment(const QString &linkName) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
    environment.insert(
        QLatin1String(ConfigurationStore::storePathVariable), path(QStringLiteral("store.xml")));
    environment.insert(QStringLiteral("WENDALINK_COM1"), path(linkName));
    return environment;
}

std::unique_ptr<SimulatorProcess> Workspace::startSimulator(
    const QString &linkName, const QString &mode)
{
    return std::make_unique<SimulatorProcess>(path(linkName), mode, baseStationTerminals,
        environment(linkName), path(linkName + QStringLiteral("-sim.log")));
}

std::unique_ptr<LineProcess> Workspace::start(const QString &program, const QStringList &arguments,
    const QString &linkName, const QString &name)
{
    auto process = std::make_unique<LineProcess>();
    process->start(LineProcess::builtProgram(program), arguments, environment(linkName),
        path(name + QStringLiteral(".log")));
    return process;
}
