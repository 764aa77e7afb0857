#include "pseudoterminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
QString systemError(const QString &what)
{
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

PseudoTerminal::~PseudoTerminal()
{
    hangUp();
}

bool PseudoTerminal::open(QString &error)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        error = systemError(QStringLiteral("posix_openpt"));
        return false;
    }
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        error = systemError(QStringLiteral("grantpt/unlockpt"));
        hangUp();
        return false;
    }
    const char *name = ptsname(m_master);
    if (!name) {
        error = systemError(QStringLiteral("ptsname"));
        hangUp();
        return false;
    }
    m_deviceName = QString::fromLocal8Bit(name);
    m_heldSlave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_heldSlave < 0) {
        error = systemError(m_deviceName);
        hangUp();
        return false;
    }
    // Raw: no echo of what the library writes, no line editing, no CR/LF
    // translation; every byte goes through as it is.
    termios settings {};
    if (tcgetattr(m_heldSlave, &settings) != 0) {
        error = systemError(QStringLiteral("tcgetattr"));
        hangUp();
        return false;
    }
    cfmakeraw(&settings);
    if (tcsetattr(m_heldSlave, TCSANOW, &settings) != 0) {
        error = systemError(QStringLiteral("tcsetattr"));
        hangUp();
        return false;
    }
    const int flags = fcntl(m_master, F_GETFL);
    if (flags < 0 || fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = systemError(QStringLiteral("fcntl"));
        hangUp();
        return false;
    }
    return true;
}

void PseudoTerminal::hangUp()
{
    if (m_heldSlave >= 0)
        ::close(m_heldSlave);
    if (m_master >= 0)
        ::close(m_master);
    m_heldSlave = -1;
    m_master = -1;
}
