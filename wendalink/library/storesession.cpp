#include "storesession.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWendalink)

StoreSession &StoreSession::instance()
{
    static StoreSession *session = new StoreSession;
    return *session;
}

ConfigurationStore &StoreSession::store()
{
    if (!m_store)
        m_store.emplace(ConfigurationStore::defaultPath());
    return *m_store;
}

qint32 StoreSession::storeResult(bool done)
{
    if (done)
        return WendalinkResult::ok;
    qCWarning(lcWendalink) << "store:" << store().errorString();
    return WendalinkResult::storeFailed;
}

qint32 StoreSession::xmlReset()
{
    // The path is looked up again, so a store moved by its variable is
    // followed; the same store keeps what it read, and reads again only when
    // the file changed.
    const QString path = ConfigurationStore::defaultPath();
    if (!m_store || m_store->path() != path)
        m_store.emplace(path);
    return storeResult(m_store->reset());
}

qint32 StoreSession::xmlPositionInsideTag(const char *name)
{
    if (!name)
        return WendalinkResult::badArgument;
    return storeResult(store().positionInside(name));
}

qint32 StoreSession::xmlWriteTag(const char *name, const char *value)
{
    if (!name || !value)
        return WendalinkResult::badArgument;
    return storeResult(store().writeTag(name, value));
}

qint32 StoreSession::xmlRemoveTag(const char *name)
{
    if (!name)
        return WendalinkResult::badArgument;
    return storeResult(store().removeTag(name));
}
