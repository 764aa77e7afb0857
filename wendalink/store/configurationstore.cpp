#include "configurationstore.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr const char *storeFolder = "wendalink";
constexpr const char *storeFileName = "store.xml";
constexpr const char *setAsideStamp = "yyyyMMdd-HHmmsszzz";
// A temporary file of a save is the store's name, a dot and six letters or digits.
constexpr int temporaryTagLength = 6;
constexpr int lockPollMs = 5;

bool isTemporaryTag(QStringView tag)
{
    if (tag.size() != temporaryTagLength)
        return false;
    for (const QChar c : tag) {
        if (!(c.isDigit() || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    }
    return true;
}

// Opens the store for reading. On Unix the node is checked by what was opened,
// not by its name: a FIFO renamed over the store after a check by name would
// block the open, and every later call with it. Elsewhere the file system has
// no such nodes.
bool openRegularFile(QFile &file, QString &error)
{
#ifdef Q_OS_UNIX
    const int descriptor
        = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat status = {};
    const bool regular = ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (!regular || flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) < 0
        || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        error = regular ? file.errorString() : QStringLiteral("not a regular file");
        return false;
    }
    return true;
#else
    const bool opened = file.open(QIODevice::ReadOnly);
    error = file.errorString();
    return opened;
#endif
}

} // namespace

QString ConfigurationStore::defaultPath()
{
    const QString configured = qEnvironmentVariable(storePathVariable);
    if (!configured.isEmpty())
        return configured;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(
        QString::fromLatin1(storeFolder) + QLatin1Char('/') + QString::fromLatin1(storeFileName));
}

ConfigurationStore::ConfigurationStore(QString path)
    : m_path(std::move(path))
{ }

bool ConfigurationStore::FileIdentity::operator==(const FileIdentity &other) const
{
    return exists == other.exists && size == other.size && modified == other.modified
        && changed == other.changed;
}

ConfigurationStore::FileIdentity ConfigurationStore::identify() const
{
    const QFileInfo info(m_path);
    if (!info.exists())
        return {};
    return {true, info.size(), info.lastModified(), info.metadataChangeTime()};
}

bool ConfigurationStore::fail(const QString &reason)
{
    m_error = reason;
    return false;
}

template<typename Work>
bool ConfigurationStore::locked(Access access, Work work)
{
    m_error.clear();
    const QFileInfo info(m_path);
    // Checked before the lock is taken: a device would be replaced by a
    // regular file. A node swapped in after this is caught when it is opened.
    if (info.exists() && !info.isFile())
        return fail(QStringLiteral("%1 is not a regular file; it is left alone").arg(m_path));
    const QString folder = info.absolutePath();
    if (!QFileInfo::exists(folder)) {
        if (access == Access::read)
            return work();
        if (!QDir().mkpath(folder))
            return fail(QStringLiteral("cannot create the folder %1").arg(folder));
    }
    QLockFile lock(m_path + QLatin1String(lockSuffix));
    lock.setStaleLockTime(staleLockMs);
    // Tried often rather than with QLockFile's growing pauses: a process that
    // saves record after record frees the lock only for a moment each time.
    const QDeadlineTimer deadline(lockWaitMs);
    while (!lock.tryLock(0) && lock.error() == QLockFile::LockFailedError && !deadline.hasExpired())
        QThread::msleep(lockPollMs);
    if (lock.error() == QLockFile::LockFailedError) {
        return fail(QStringLiteral("another process held the lock %1%2 for over %3 ms")
                        .arg(m_path, QLatin1String(lockSuffix))
                        .arg(lockWaitMs));
    }
    if (lock.error() != QLockFile::NoError) {
        // In a folder this process cannot write to, the store can still be
        // read: the file is only ever replaced whole.
        if (access == Access::read)
            return work();
        return fail(
            QStringLiteral("cannot create the lock %1%2").arg(m_path, QLatin1String(lockSuffix)));
    }
    m_locked = true;
    const auto unlocked = qScopeGuard([this] { m_locked = false; });
    return work();
}

bool ConfigurationStore::refresh()
{
    const FileIdentity current = identify();
    if (!m_loaded || !(current == m_identity)) {
        m_loaded = true;
        m_identity = current;
        m_setAsidePath.clear();
        m_writable = load();
        m_refusal = m_writable ? QString() : m_error;
    }
    if (!m_writable)
        m_error = m_refusal;
    return m_writable;
}

bool ConfigurationStore::load()
{
    ++m_loadCount;
    m_document.load({});
    if (!m_identity.exists)
        return true;
    const auto tooLarge = [this] {
        return fail(QStringLiteral("%1 is larger than %2 bytes; it is left untouched")
                        .arg(m_path)
                        .arg(maxStoreBytes));
    };
    if (m_identity.size > maxStoreBytes)
        return tooLarge();
    QFile file(m_path);
    QString reason;
    if (!openRegularFile(file, reason))
        return fail(QStringLiteral("cannot read %1: %2").arg(m_path, reason));
    const QByteArray content = file.read(maxStoreBytes + 1);
    if (content.size() > maxStoreBytes)
        return tooLarge();
    QByteArray damage;
    return m_document.load(content, &damage) || putAside(damage);
}

bool ConfigurationStore::putAside(const QByteArray &reason)
{
    if (!m_locked) {
        return fail(QStringLiteral("%1 is damaged (%2) and cannot be put aside without its lock")
                        .arg(m_path, QString::fromUtf8(reason)));
    }
    const QString aside = m_path + QLatin1String(damagedSuffix)
        + QDateTime::currentDateTime().toString(QLatin1String(setAsideStamp));
    if (!QFile::rename(m_path, aside)) {
        return fail(QStringLiteral("%1 is damaged (%2) and could not be put aside")
                        .arg(m_path, QString::fromUtf8(reason)));
    }
    m_identity = identify();
    m_setAsidePath = aside;
    m_error = QStringLiteral("%1 was damaged (%2) and was put aside as %3")
                  .arg(m_path, QString::fromUtf8(reason), aside);
    return true;
}

void ConfigurationStore::removeStaleTemporaries()
{
    if (m_temporariesChecked || !m_locked)
        return;
    m_temporariesChecked = true;
    // Only under the lock, and only old ones: a save in progress holds the
    // lock, and no save takes an hour.
    const QFileInfo store(m_path);
    const QString prefix = store.fileName() + QLatin1Char('.');
    const QDateTime now = QDateTime::currentDateTime();
    const QFileInfoList entries
        = store.absoluteDir().entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        if (name.startsWith(prefix) && isTemporaryTag(QStringView(name).mid(prefix.size()))
            && entry.lastModified().secsTo(now) > staleTemporarySeconds)
            QFile::remove(entry.filePath());
    }
}

bool ConfigurationStore::save()
{
    if (!m_document.changed())
        return true;
    if (write()) {
        m_identity = identify();
        return true;
    }
    // The file keeps the old store, and the tree takes the change back, so a
    // refused change costs no more than an accepted one; where it cannot, the
    // next call reads the file again.
    m_loaded = m_document.undoChanges();
    return false;
}

bool ConfigurationStore::write()
{
    const StoreDocument::Pieces pieces = m_document.pieces();
    const qint64 size = pieces.size();
    if (size > maxStoreBytes) {
        return fail(QStringLiteral("the change would make %1 larger than %2 bytes; it is left "
                                   "untouched")
                        .arg(m_path)
                        .arg(maxStoreBytes));
    }
    // Unbuffered: a write that the device refuses (a full disk) fails here,
    // not silently inside commit().
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(QStringLiteral("cannot write %1: %2").arg(m_path, file.errorString()));
    // A write may also end early without an error (a disk with room for part of
    // it): only the count of bytes written tells.
    qint64 written = 0;
    for (const QByteArrayView piece : {pieces.before, QByteArrayView(pieces.element), pieces.after})
        written
            += piece.isEmpty() ? 0 : std::max<qint64>(file.write(piece.data(), piece.size()), 0);
    if (written != size || !file.flush() || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(QStringLiteral("cannot write %1 (%2 of %3 bytes written): %4; it is left "
                                   "untouched")
                        .arg(m_path)
                        .arg(written)
                        .arg(size)
                        .arg(reason));
    }
    // Another process tells a change by the file's time: two saves in one tick
    // of the file system's clock must still differ.
    QDateTime stamp = QDateTime::currentDateTimeUtc();
    if (m_identity.exists && stamp <= m_identity.modified)
        stamp = m_identity.modified.addMSecs(1);
    file.setFileTime(stamp, QFileDevice::FileModificationTime);
    if (!file.commit())
        return fail(QStringLiteral("cannot replace %1: %2").arg(m_path, file.errorString()));
    return true;
}

bool ConfigurationStore::reset()
{
    m_document.resetPosition();
    // Reading needs no lock: the file is only ever replaced whole. The lock is
    // for putting a damaged file aside and for removing temporaries.
    if (m_loaded && m_temporariesChecked && identify() == m_identity) {
        m_error = m_refusal;
        return m_writable;
    }
    return locked(Access::read, [this] {
        removeStaleTemporaries();
        return refresh();
    });
}

bool ConfigurationStore::positionInside(QByteArrayView name)
{
    if (!StoreDocument::isValidName(name))
        return fail(QStringLiteral("not an element name: %1").arg(QString::fromLatin1(name)));
    // An element already there is entered without the file: a change made
    // meanwhile is found by the next write, which walks the position again.
    if (m_loaded && m_document.enter(name))
        return true;
    return locked(Access::change, [&] {
        if (!refresh())
            return false;
        m_document.enterCreating(name);
        return save();
    });
}

bool ConfigurationStore::writeTag(QByteArrayView name, QByteArrayView value)
{
    if (!StoreDocument::isValidName(name))
        return fail(QStringLiteral("not an element name: %1").arg(QString::fromLatin1(name)));
    return locked(Access::change, [&] {
        if (!refresh())
            return false;
        m_document.writeTag(name, value);
        return save();
    });
}

bool ConfigurationStore::removeTag(QByteArrayView name)
{
    if (!StoreDocument::isValidName(name))
        return fail(QStringLiteral("not an element name: %1").arg(QString::fromLatin1(name)));
    return locked(Access::change, [&] {
        if (!refresh())
            return false;
        m_document.removeTag(name);
        return save();
    });
}

std::optional<QByteArray> ConfigurationStore::value(QByteArrayView name) const
{
    if (!StoreDocument::isValidName(name))
        return std::nullopt;
    return m_document.value(name);
}
