#include "simulatorprocess.h"

SimulatorProcess::SimulatorProcess(const QString &linkPath, const QString &mode, int terminals,
    const QProcessEnvironment &environment, const QString &errorLogPath)
{
    m_ready = start(builtProgram(QStringLiteral("wendalink-sim")),
                  {QStringLiteral("--link"), linkPath, QStringLiteral("--mode"), mode,
                      QStringLiteral("--terminals"), QString::number(terminals)},
                  environment, errorLogPath)
        && waitForLine(QStringLiteral("ready "));
}
