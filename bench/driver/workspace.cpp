#include "workspace.h"

#include "childprocess.h"

#include <QCoreApplication>
#include <QDir>

namespace {
constexpr int baseStationTerminals = 1;
} // namespace

Workspace::Workspace()
    : m_folder(QDir::tempPath() + QStringLiteral("/pelsado-bench-XXXXXX"))
{ }

QString Workspace::program(const char *name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
}

QProcessEnvironment Workspace::environment(const QString &linkPath) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
    environment.insert(QStringLiteral("WENDALINK_STORE"), path(QStringLiteral("store.xml")));
    environment.insert(QStringLiteral("WENDALINK_COM1"), linkPath);
    return environment;
}

bool Workspace::startSimulator(ChildProcess &simulator, const QString &linkName, const char *mode,
    int terminals, QString &error)
{
    const QString linkPath = path(linkName);
    const QStringList arguments {QStringLiteral("--link"), linkPath, QStringLiteral("--mode"),
        QLatin1String(mode), QStringLiteral("--terminals"), QString::number(terminals)};
    if (!simulator.start(program("wendalink-sim"), arguments, environment(linkPath),
            path(linkName + QStringLiteral("-sim.log")))) {
        error = QStringLiteral("wendalink-sim did not start");
        return false;
    }
    if (!simulator.waitForLine(QStringLiteral("ready"), simulatorStartMs)) {
        error = QStringLiteral("wendalink-sim did not get ready: ") + simulator.errorTail();
        return false;
    }
    return true;
}

bool Workspace::startToolOnBaseStation(
    ChildProcess &simulator, ChildProcess &tool, const QString &checks, QString &error)
{
    const QString linkName = QStringLiteral("com1");
    if (!startSimulator(simulator, linkName, "base", baseStationTerminals, error))
        return false;
    if (!tool.start(program("pelsado-bench-tool"), {QStringLiteral("--check"), checks},
            environment(path(linkName)), path(QStringLiteral("tool.log")))
        || !tool.waitForLine(QStringLiteral("at shown"), toolShownMs)) {
        error = QStringLiteral("the tool did not start: ") + tool.errorTail();
        return false;
    }
    if (!tool.history().contains(QStringLiteral("mode base"))) {
        error = QStringLiteral("the tool did not find the base station");
        return false;
    }
    return true;
}
