#include "inprocesstransport.h"

#include <QCoreApplication>
#include <QDir>

namespace {

// Names and paths as the system's 8-bit loader functions take them.
std::string localPath(const QString &path)
{
    return QDir::toNativeSeparators(path).toLocal8Bit().toStdString();
}

QString ownFolder()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

} // namespace

InProcessTransport::InProcessTransport(const QString &name, const QString &folder)
    : m_library(localPath(name), localPath(folder.isEmpty() ? ownFolder() : folder))
{ }

std::optional<LinkCall::Answer> InProcessTransport::carry(LinkCall::Call call)
{
    return serve(m_library, std::move(call));
}
