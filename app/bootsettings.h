#pragma once

#include <QString>

#include <memory>

class QSettings;

// The per-user settings store: application "Pelsado", section "Boot". Reading
// an absent value gives its default and writes nothing back.
class BootSettings
{
public:
    static constexpr const char *defaultComPort = "1";
    static constexpr const char *defaultBaudRate = "19200";

    // The user's own store.
    BootSettings();
    // Any other store, e.g. a temporary INI file in tests.
    explicit BootSettings(std::unique_ptr<QSettings> store);
    ~BootSettings();

    QString comPort() const;
    QString baudRate() const;
    // Writes ComPort, then BaudRate.
    void store(const QString &comPort, const QString &baudRate);

private:
    std::unique_ptr<QSettings> m_store;
};
