#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

class ChildProcess;

// A benchmark's own scratch folder and the environment its programs run in:
// offscreen, with settings, data and the shared store inside the scratch
// folder, so that the user's own settings are never read or touched.
class Workspace
{
public:
    static constexpr int simulatorStartMs = 5000;
    static constexpr int toolShownMs = 20000;

    Workspace();

    bool isValid() const { return m_folder.isValid(); }
    QString path(const QString &name) const { return m_folder.filePath(name); }
    // A program built beside the driver.
    static QString program(const char *name);
    // The environment for a program whose COM1 is `linkPath`.
    QProcessEnvironment environment(const QString &linkPath) const;

    // Starts the simulator on `linkName` in this folder and waits until its
    // line is up.
    bool startSimulator(ChildProcess &simulator, const QString &linkName, const char *mode,
        int terminals, QString &error);

    // Starts a base station with one terminal on "com1" and the probed tool
    // on it with the options `checks` ticked, and waits until the tool's
    // window is shown in base-station mode.
    bool startToolOnBaseStation(
        ChildProcess &simulator, ChildProcess &tool, const QString &checks, QString &error);

private:
    QTemporaryDir m_folder;
};
