#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <sys/statvfs.h>

// A 64 KiB tmpfs mounted on a folder of its own for one test, on which a disk
// runs full for real. Mounting needs root and the right to mount; where it
// fails, isMounted() tells the test to skip.
class SmallFileSystem
{
public:
    SmallFileSystem()
        : m_nativePath(QFile::encodeName(m_folder.path()))
    {
        m_mounted = m_folder.isValid()
            && ::mount("tmpfs", m_nativePath.constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount2(m_nativePath.constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool isMounted() const { return m_mounted; }
    QString path() const { return m_folder.path(); }
    QString filePath(const QString &name) const { return m_folder.filePath(name); }

    // The size of the blocks that files take up, one page on a tmpfs.
    qint64 blockSize() const
    {
        struct statvfs room
        {
        };
        return ::statvfs(m_nativePath.constData(), &room) == 0 ? qint64(room.f_bsize) : 0;
    }

    // Fills the file system with a file named `name` until `blocks` blocks are left.
    bool leaveFree(int blocks, const QString &name = QStringLiteral("filler")) const
    {
        struct statvfs room
        {
        };
        if (::statvfs(m_nativePath.constData(), &room) != 0 || room.f_bavail < fsblkcnt_t(blocks))
            return false;
        const QByteArray filler((room.f_bavail - blocks) * room.f_bsize, 'f');
        QFile file(filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(filler) == filler.size()
            && file.flush() && ::statvfs(m_nativePath.constData(), &room) == 0
            && room.f_bavail == fsblkcnt_t(blocks);
    }

private:
    QTemporaryDir m_folder;
    QByteArray m_nativePath;
    bool m_mounted = false;
};
