#pragma once

#include "configurationstore.h"
#include "wendalinkresult.h"

#include <optional>

// The state behind the xml_* functions: the shared configuration store, its
// current position, and the result codes and log lines of its calls.
class StoreSession
{
public:
    static StoreSession &instance();

    qint32 xmlReset();
    qint32 xmlPositionInsideTag(const char *name);
    qint32 xmlWriteTag(const char *name, const char *value);
    qint32 xmlRemoveTag(const char *name);

private:
    StoreSession() = default;

    ConfigurationStore &store();
    // The store call's result; a failure is logged with the store's reason.
    qint32 storeResult(bool done);

    std::optional<ConfigurationStore> m_store;
};
