#pragma once

#include "linklibrary.h"

#include <QByteArray>
#include <QFunctionPointer>
#include <QHash>
#include <QLibrary>
#include <QSet>
#include <QStringList>

class OperatorMessages;

// Loads the link library by name at its first call, from the given folders
// first (by default the executable's own) and then the system's search path,
// and resolves each function at its first use.
//
// When the library cannot be loaded, or lacks a function, the operator is told
// once per run (once per missing function), and the call behaves as failed, so
// that the tool stays usable for its configuration files.
class WendalinkLibrary final : public LinkLibrary
{
public:
    static constexpr const char *defaultName = "wendalink";

    explicit WendalinkLibrary(OperatorMessages &messages,
        QString name = QString::fromLatin1(defaultName), QStringList searchFolders = {});
    ~WendalinkLibrary() override;

    qint32 InitializeComm(qint32 port, qint32 baud) override;
    qint32 radio_set_baudrate(qint32 baud) override;
    qint32 radio_init(qint32 port, qint32 channel, qint32 mask, qint32 flags) override;
    qint32 radio_close() override;
    qint32 TerminateComm(qint32 port) override;
    qint32 Get_Message(qint32 &message, qint32 maxLength, qint32 flags, QString &sender) override;
    QString GetStringFromPtr(const QString &text, qint32 message, qint32 length) override;
    qint32 Send_Message(
        const QString &data, const QString &destination, qint32 length, qint32 kind) override;
    qint32 radio_recv4(
        RadioOuts &outs, qint32 *array1, qint32 *array2, QString &text1, QString &text2) override;
    qint32 radio_message_conf_laser(qint32 terminal, const QString &list) override;
    qint32 xml_reset() override;
    qint32 xml_position_inside_tag(const QString &name) override;
    qint32 xml_write_tag(const QString &name, const QString &value) override;
    qint32 xml_remove_tag(const QString &name) override;

    // Where the library was loaded from; empty before the first call or when
    // loading failed.
    QString loadedFrom() const;

private:
    bool load();
    QFunctionPointer resolve(const char *function);
    // Calls the library's function `name` of type Function, or gives
    // `whenMissing` when the library or the function is not there.
    template<typename Function, typename... Args>
    qint32 call(const char *name, qint32 whenMissing, Args... args)
    {
        auto *function = reinterpret_cast<Function *>(resolve(name));
        return function ? function(args...) : whenMissing;
    }

    OperatorMessages &m_messages;
    QString m_name;
    QStringList m_searchFolders;
    QLibrary m_library;
    bool m_loadAttempted = false;
    bool m_loaded = false;
    QHash<QByteArray, QFunctionPointer> m_functions;
};
