#include "linklibrary.h"

#include "codepage.h"
#include "linklibrarymessages.h"
#include "operatormessages.h"

#include <algorithm>

using namespace LinkCall;

namespace {

// What a call gives when it failed: the calls whose results are looked at
// read these as "failed" / "nothing received".
constexpr qint32 notAvailable = -1;
constexpr qint32 nothingReceived = 0;

Value argument(qint32 number)
{
    Value value;
    value.number = number;
    return value;
}

Value argument(const QString &text)
{
    const QByteArray bytes = toCodePage(text);
    Value value;
    value.text.assign(bytes.constData(), size_t(bytes.size()));
    return value;
}

Value argument(const qint32 *array)
{
    Value value;
    value.array.assign(array, array + receiveArraySize);
    return value;
}

QString fromBytes(const std::string &bytes)
{
    return fromCodePage(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

// The loader's words (a file name, the system's reason) are in the local 8-bit encoding.
QString systemText(const std::string &bytes)
{
    return QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

LinkLibrary::LinkLibrary(LinkTransport &transport, OperatorMessages &messages)
    : m_transport(transport)
    , m_messages(messages)
{ }

LinkLibrary::LinkLibrary(std::unique_ptr<LinkTransport> transport, OperatorMessages &messages)
    : m_ownedTransport(std::move(transport))
    , m_transport(*m_ownedTransport)
    , m_messages(messages)
{ }

LinkLibrary::~LinkLibrary() = default;

std::optional<Answer> LinkLibrary::carry(Call call)
{
    const Function function = call.function;
    if (m_libraryMissing || m_missingFunctions.count(function) != 0)
        return std::nullopt;
    std::optional<Answer> answer = m_transport.carry(std::move(call));
    if (!answer)
        return std::nullopt;
    switch (answer->status) {
    case Status::Done:
        return answer;
    case Status::LibraryMissing:
        m_messages.show(
            libraryMissingText(systemText(answer->library), systemText(answer->reason)));
        m_libraryMissing = true; // looked for once per run, as it is loaded once
        break;
    case Status::LibraryWrongKind:
        m_messages.show(
            libraryWrongKindText(systemText(answer->library), systemText(answer->reason)));
        m_libraryMissing = true;
        break;
    case Status::LibraryNotLoaded:
        m_messages.show(
            libraryNotLoadedText(systemText(answer->library), systemText(answer->reason)));
        m_libraryMissing = true;
        break;
    case Status::FunctionMissing:
        m_missingFunctions.insert(function);
        m_messages.show(functionMissingText(systemText(answer->library),
            QString::fromLatin1(signature(function).name), systemText(answer->reason)));
        break;
    case Status::BadRequest: // a transport's own failure, told by the transport
        break;
    }
    return std::nullopt;
}

qint32 LinkLibrary::resultOf(Call call)
{
    const std::optional<Answer> answer = carry(std::move(call));
    return answer ? answer->result : notAvailable;
}

qint32 LinkLibrary::InitializeComm(qint32 port, qint32 baud)
{
    return resultOf({Function::InitializeComm, {argument(port), argument(baud)}});
}

qint32 LinkLibrary::radio_set_baudrate(qint32 baud)
{
    return resultOf({Function::radio_set_baudrate, {argument(baud)}});
}

qint32 LinkLibrary::radio_init(qint32 port, qint32 channel, qint32 mask, qint32 flags)
{
    return resultOf({Function::radio_init,
        {argument(port), argument(channel), argument(mask), argument(flags)}});
}

qint32 LinkLibrary::radio_close()
{
    return resultOf({Function::radio_close, {}});
}

qint32 LinkLibrary::TerminateComm(qint32 port)
{
    return resultOf({Function::TerminateComm, {argument(port)}});
}

qint32 LinkLibrary::Get_Message(qint32 &message, qint32 maxLength, qint32 flags, QString &sender)
{
    const std::optional<Answer> answer = carry({Function::Get_Message,
        {argument(message), argument(maxLength), argument(flags), argument(sender)}});
    if (!answer)
        return nothingReceived;
    message = answer->arguments[0].number;
    sender = fromBytes(answer->arguments[3].text);
    return answer->result;
}

QString LinkLibrary::GetStringFromPtr(const QString &text, qint32 message, qint32 length)
{
    const std::optional<Answer> answer = carry(
        {Function::GetStringFromPtr, {argument(text), argument(message), argument(length)}});
    return answer ? fromBytes(answer->text) : text;
}

qint32 LinkLibrary::Send_Message(
    const QString &data, const QString &destination, qint32 length, qint32 kind)
{
    return resultOf({Function::Send_Message,
        {argument(data), argument(destination), argument(length), argument(kind)}});
}

qint32 LinkLibrary::radio_recv4(
    RadioOuts &outs, qint32 *array1, qint32 *array2, QString &text1, QString &text2)
{
    constexpr size_t firstArray = std::tuple_size_v<RadioOuts>;
    constexpr size_t firstText = firstArray + 2;
    Call call {Function::radio_recv4, {}};
    for (const qint32 out : outs)
        call.arguments.push_back(argument(out));
    call.arguments.insert(call.arguments.end(),
        {argument(array1), argument(array2), argument(text1), argument(text2)});

    const std::optional<Answer> answer = carry(std::move(call));
    if (!answer)
        return notAvailable;
    const std::vector<Value> &back = answer->arguments;
    for (size_t i = 0; i < outs.size(); ++i)
        outs[i] = back[i].number;
    std::copy(back[firstArray].array.begin(), back[firstArray].array.end(), array1);
    std::copy(back[firstArray + 1].array.begin(), back[firstArray + 1].array.end(), array2);
    text1 = fromBytes(back[firstText].text);
    text2 = fromBytes(back[firstText + 1].text);
    return answer->result;
}

qint32 LinkLibrary::radio_message_conf_laser(qint32 terminal, const QString &list)
{
    return resultOf({Function::radio_message_conf_laser, {argument(terminal), argument(list)}});
}

qint32 LinkLibrary::xml_reset()
{
    return resultOf({Function::xml_reset, {}});
}

qint32 LinkLibrary::xml_position_inside_tag(const QString &name)
{
    return resultOf({Function::xml_position_inside_tag, {argument(name)}});
}

qint32 LinkLibrary::xml_write_tag(const QString &name, const QString &value)
{
    return resultOf({Function::xml_write_tag, {argument(name), argument(value)}});
}

qint32 LinkLibrary::xml_remove_tag(const QString &name)
{
    return resultOf({Function::xml_remove_tag, {argument(name)}});
}
