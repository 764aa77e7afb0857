#pragma once

#include <QString>

// The simulator's end of the line: the master side of a pseudo-terminal in raw
// mode. It keeps a descriptor of the other side open as well, so that the
// line stays up (no hang-up, no EIO on the master) while the library opens and
// closes it; hangUp() closes both, which the library sees as the line going away.
class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // Creates the pseudo-terminal; false with a reason in `error` when it cannot.
    bool open(QString &error);
    void hangUp();

    bool isOpen() const { return m_master >= 0; }
    int masterDescriptor() const { return m_master; }
    // The device the library opens, e.g. /dev/pts/3.
    const QString &deviceName() const { return m_deviceName; }

private:
    int m_master = -1;
    int m_heldSlave = -1;
    QString m_deviceName;
};
