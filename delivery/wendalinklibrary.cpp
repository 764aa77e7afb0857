#include "wendalinklibrary.h"

#include "codepage.h"
#include "linklibrarymessages.h"
#include "operatormessages.h"
#include "wendalink.h"

#include <QCoreApplication>
#include <QDir>

namespace {

// What a call returns when the library or the function is not there: the
// calls whose results are looked at read it as "failed" / "nothing received".
constexpr qint32 notAvailable = -1;
constexpr qint32 nothingReceived = 0;

// An 8-bit, NUL-terminated copy of a text that the library may overwrite
// within its length; text() takes the (possibly changed) content back.
class TextArgument
{
public:
    explicit TextArgument(const QString &text)
        : m_bytes(toCodePage(text))
    { }
    char *data() { return m_bytes.data(); }
    QString text() const { return fromCodePage(m_bytes); }

private:
    QByteArray m_bytes; // QByteArray keeps a NUL after its last byte
};

} // namespace

WendalinkLibrary::WendalinkLibrary(
    OperatorMessages &messages, QString name, QStringList searchFolders)
    : m_messages(messages)
    , m_name(std::move(name))
    , m_searchFolders(std::move(searchFolders))
{ }

WendalinkLibrary::~WendalinkLibrary() = default;

QString WendalinkLibrary::loadedFrom() const
{
    return m_loaded ? m_library.fileName() : QString();
}

bool WendalinkLibrary::load()
{
    if (m_loadAttempted)
        return m_loaded;
    m_loadAttempted = true;

    QStringList folders = m_searchFolders;
    if (folders.isEmpty() && QCoreApplication::instance())
        folders << QCoreApplication::applicationDirPath();

    QStringList reasons;
    for (const QString &folder : std::as_const(folders)) {
        m_library.setFileName(QDir(folder).filePath(m_name));
        if (m_library.load()) {
            m_loaded = true;
            return true;
        }
        reasons << m_library.errorString();
    }
    m_library.setFileName(m_name); // the system's search path
    if (m_library.load()) {
        m_loaded = true;
        return true;
    }
    reasons << m_library.errorString();

    m_messages.show(libraryNotLoadedText(m_name, reasons.join(QStringLiteral("; "))));
    return false;
}

QFunctionPointer WendalinkLibrary::resolve(const char *function)
{
    const QByteArray key(function);
    const auto known = m_functions.constFind(key);
    if (known != m_functions.constEnd())
        return known.value();
    if (!load())
        return nullptr;

    const QFunctionPointer address = m_library.resolve(function);
    m_functions.insert(key, address); // a missing function is reported once, then remembered
    if (!address) {
        m_messages.show(functionMissingText(
            m_library.fileName(), QString::fromLatin1(function), m_library.errorString()));
    }
    return address;
}

qint32 WendalinkLibrary::InitializeComm(qint32 port, qint32 baud)
{
    return call<decltype(::InitializeComm)>("InitializeComm", notAvailable, port, baud);
}

qint32 WendalinkLibrary::radio_set_baudrate(qint32 baud)
{
    return call<decltype(::radio_set_baudrate)>("radio_set_baudrate", notAvailable, baud);
}

qint32 WendalinkLibrary::radio_init(qint32 port, qint32 channel, qint32 mask, qint32 flags)
{
    return call<decltype(::radio_init)>("radio_init", notAvailable, port, channel, mask, flags);
}

qint32 WendalinkLibrary::radio_close()
{
    return call<decltype(::radio_close)>("radio_close", notAvailable);
}

qint32 WendalinkLibrary::TerminateComm(qint32 port)
{
    return call<decltype(::TerminateComm)>("TerminateComm", notAvailable, port);
}

qint32 WendalinkLibrary::Get_Message(
    qint32 &message, qint32 maxLength, qint32 flags, QString &sender)
{
    TextArgument senderText(sender);
    const qint32 result = call<decltype(::Get_Message)>(
        "Get_Message", nothingReceived, &message, maxLength, flags, senderText.data());
    sender = senderText.text();
    return result;
}

QString WendalinkLibrary::GetStringFromPtr(const QString &text, qint32 message, qint32 length)
{
    TextArgument buffer(text);
    call<decltype(::GetStringFromPtr)>(
        "GetStringFromPtr", notAvailable, buffer.data(), message, length);
    return buffer.text();
}

qint32 WendalinkLibrary::Send_Message(
    const QString &data, const QString &destination, qint32 length, qint32 kind)
{
    TextArgument dataText(data);
    TextArgument destinationText(destination);
    return call<decltype(::Send_Message)>(
        "Send_Message", notAvailable, dataText.data(), destinationText.data(), length, kind);
}

qint32 WendalinkLibrary::radio_recv4(
    RadioOuts &outs, qint32 *array1, qint32 *array2, QString &text1, QString &text2)
{
    TextArgument first(text1);
    TextArgument second(text2);
    const qint32 result = call<decltype(::radio_recv4)>("radio_recv4", notAvailable, &outs[0],
        &outs[1], &outs[2], &outs[3], &outs[4], &outs[5], &outs[6], &outs[7], &outs[8], &outs[9],
        array1, array2, first.data(), second.data());
    text1 = first.text();
    text2 = second.text();
    return result;
}

qint32 WendalinkLibrary::radio_message_conf_laser(qint32 terminal, const QString &list)
{
    TextArgument listText(list);
    return call<decltype(::radio_message_conf_laser)>(
        "radio_message_conf_laser", notAvailable, terminal, listText.data());
}

qint32 WendalinkLibrary::xml_reset()
{
    return call<decltype(::xml_reset)>("xml_reset", notAvailable);
}

qint32 WendalinkLibrary::xml_position_inside_tag(const QString &name)
{
    TextArgument nameText(name);
    return call<decltype(::xml_position_inside_tag)>(
        "xml_position_inside_tag", notAvailable, nameText.data());
}

qint32 WendalinkLibrary::xml_write_tag(const QString &name, const QString &value)
{
    TextArgument nameText(name);
    TextArgument valueText(value);
    return call<decltype(::xml_write_tag)>(
        "xml_write_tag", notAvailable, nameText.data(), valueText.data());
}

qint32 WendalinkLibrary::xml_remove_tag(const QString &name)
{
    TextArgument nameText(name);
    return call<decltype(::xml_remove_tag)>("xml_remove_tag", notAvailable, nameText.data());
}
