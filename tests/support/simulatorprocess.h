#pragma once

#include "lineprocess.h"

// wendalink-sim (built beside the running program), started: a simulated base
// station, or serial terminals, on a pseudo-terminal reached through `linkPath`.
class SimulatorProcess : public LineProcess
{
public:
    explicit SimulatorProcess(const QString &linkPath, const QString &mode, int terminals = 3,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
        const QString &errorLogPath = {});

    // Whether its line is up ("ready PATH" was printed).
    bool isReady() const { return m_ready; }

private:
    bool m_ready = false;
};
