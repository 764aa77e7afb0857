#pragma once

#include "storedocument.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <optional>

// The shared configuration store: a StoreDocument kept in an XML file that
// other processes (another tool, a second copy of this one) change as well.
//
// Every change is a read-modify-write under a lock file beside the store
// (STORE.lock), so no change another process made is written over: the file is
// read again when it changed since this process last saw it (its size and
// times), else the tree in memory is used; a change the file refuses is taken
// back in the tree, so the tree stays the file's. The new store goes to a temporary
// file, every byte of which must have reached it before it replaces the old
// file, so the file is always either the old or the new store.
//
// The store refuses, without touching the file: a path that names anything but
// a regular file, a file larger than maxStoreBytes, a file that cannot be read,
// and a damaged file that cannot be put aside (a damaged file is renamed aside,
// see damagedSuffix, and the store starts empty).
class ConfigurationStore
{
public:
    static constexpr const char *storePathVariable = "WENDALINK_STORE";
    static constexpr const char *damagedSuffix = ".damaged-";
    static constexpr const char *lockSuffix = ".lock";
    static constexpr qint64 maxStoreBytes = 16 * 1024 * 1024;
    // How long a change waits for another process's change to end.
    static constexpr int lockWaitMs = 2000;
    // A lock older than this is taken over, at once when its process is gone.
    static constexpr int staleLockMs = 30000;
    // The temporary files of a save killed midway are removed after this long.
    static constexpr qint64 staleTemporarySeconds = 3600;

    // WENDALINK_STORE, else wendalink/store.xml in the user's data folder.
    static QString defaultPath();

    explicit ConfigurationStore(QString path = defaultPath());
    ConfigurationStore(const ConfigurationStore &) = delete;
    ConfigurationStore &operator=(const ConfigurationStore &) = delete;

    QString path() const { return m_path; }
    // Why the last load or change failed; empty when it did not.
    QString errorString() const { return m_error; }
    // Where a damaged file was put aside by the last load; empty when none was.
    QString setAsidePath() const { return m_setAsidePath; }
    // How often the file was read and parsed.
    int loadCount() const { return m_loadCount; }

    // Puts the position back at the root element, reading the file again when
    // it changed.
    bool reset();
    // Makes the child `name` of the current element current, creating it when
    // it is missing.
    bool positionInside(QByteArrayView name);
    // Gives the child `name` of the current element the value `value`.
    bool writeTag(QByteArrayView name, QByteArrayView value);
    // Removes every child `name` of the current element; none is no error.
    bool removeTag(QByteArrayView name);

    // The value of the child `name` of the current element, as last read or written.
    std::optional<QByteArray> value(QByteArrayView name) const;

private:
    struct FileIdentity
    {
        bool exists = false;
        qint64 size = 0;
        QDateTime modified;
        QDateTime changed;
        bool operator==(const FileIdentity &other) const;
    };

    enum class Access { read, change };
    template<typename Work>
    bool locked(Access access, Work work);
    bool refresh();
    bool load();
    bool putAside(const QByteArray &reason);
    bool save();
    bool write();
    void removeStaleTemporaries();
    FileIdentity identify() const;
    bool fail(const QString &reason);

    QString m_path;
    QString m_error;
    QString m_setAsidePath;
    // Why the file as last read cannot be changed.
    QString m_refusal;
    StoreDocument m_document;
    FileIdentity m_identity;
    bool m_loaded = false;
    bool m_writable = false;
    bool m_temporariesChecked = false;
    bool m_locked = false;
    int m_loadCount = 0;
};
