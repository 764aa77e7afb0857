#include "inprocesstransport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

// Names and paths as the system's 8-bit loader functions take them.
std::string localPath(const QString &path)
{
    return QDir::toNativeSeparators(path).toLocal8Bit().toStdString();
}

// This program's path, moved into `folder` when one is given.
QString program(const QString &folder)
{
    const QString own
        = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    return folder.isEmpty() ? own : QDir(folder).filePath(QFileInfo(own).fileName());
}

} // namespace

InProcessTransport::InProcessTransport(const QString &name, const QString &folder)
    : m_library(localPath(name), localPath(program(folder)))
{ }

std::optional<LinkCall::Answer> InProcessTransport::carry(LinkCall::Call call)
{
    return serve(m_library, std::move(call));
}
