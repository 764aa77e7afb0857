#include "bootsettings.h"

#include <QSettings>

namespace {
constexpr const char *applicationName = "Pelsado";
const QString comPortKey = QStringLiteral("Boot/ComPort");
const QString baudRateKey = QStringLiteral("Boot/BaudRate");
} // namespace

BootSettings::BootSettings()
    : BootSettings(std::make_unique<QSettings>(
        QString::fromLatin1(applicationName), QString::fromLatin1(applicationName)))
{ }

BootSettings::BootSettings(std::unique_ptr<QSettings> store)
    : m_store(std::move(store))
{ }

BootSettings::~BootSettings() = default;

QString BootSettings::comPort() const
{
    return m_store->value(comPortKey, QString::fromLatin1(defaultComPort)).toString();
}

QString BootSettings::baudRate() const
{
    return m_store->value(baudRateKey, QString::fromLatin1(defaultBaudRate)).toString();
}

void BootSettings::store(const QString &comPort, const QString &baudRate)
{
    m_store->setValue(comPortKey, comPort);
    m_store->setValue(baudRateKey, baudRate);
    m_store->sync();
}
