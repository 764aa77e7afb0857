#include "recordinglinktransport.h"

#include "codepage.h"

using namespace LinkCall;

namespace {

// What the stand-in answers for a change its store refused.
constexpr qint32 storeRefused = 9;

QString quotedBytes(const std::string &bytes)
{
    QString out = QStringLiteral("\"");
    for (const char c : bytes) {
        const auto byte = uchar(c);
        if (byte == 0)
            out += QStringLiteral("\\0");
        else if (byte < 0x20 || byte > 0x7e || byte == '"' || byte == '\\')
            out += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        else
            out += QLatin1Char(c);
    }
    return out + QLatin1Char('"');
}

std::string bytes(const QString &text)
{
    return toCodePage(text).toStdString();
}

QString shown(Kind kind, const Value &value)
{
    switch (kind) {
    case Kind::Number:
    case Kind::Count:
    case Kind::Out:
        return QString::number(value.number);
    case Kind::Text:
    case Kind::List:
        return quotedBytes(value.text);
    case Kind::Array:
        return QStringLiteral("[%1]").arg(value.array.size());
    }
    return {};
}

} // namespace

QString RecordingTransport::quoted(const QString &text)
{
    return quotedBytes(bytes(text));
}

std::optional<Answer> RecordingTransport::carry(Call call)
{
    const Signature &row = signature(call.function);
    QStringList arguments;
    for (size_t i = 0; i < call.arguments.size(); ++i)
        arguments << shown(Kind(row.kinds[i]), call.arguments[i]);
    log << QStringLiteral("%1(%2)").arg(
        QLatin1String(row.name), arguments.join(QStringLiteral(", ")));

    Answer answer;
    std::vector<Value> &back = call.arguments;
    switch (call.function) {
    case Function::InitializeComm:
        answer.result = initializeCommResult;
        break;
    case Function::radio_init:
        answer.result = radioInitResult;
        break;
    case Function::Get_Message:
        if (!serialMessages.isEmpty()) {
            const SerialMessage next = serialMessages.takeFirst();
            back[0].number = next.handle;
            back[3].text = bytes(next.sender);
            m_pendingText = next.text;
            answer.result = next.length;
        }
        break;
    case Function::GetStringFromPtr:
        answer.text = bytes(m_pendingText.left(back[2].number));
        break;
    case Function::radio_recv4:
        answer.result = 1;
        if (!radioMessages.isEmpty()) {
            const RadioMessage next = radioMessages.takeFirst();
            back[LinkLibrary::terminalNumberOut].number = next.terminal;
            answer.result = next.result;
        }
        break;
    case Function::xml_write_tag:
        if (storeWritesAccepted >= 0 && m_storeWrites++ >= storeWritesAccepted)
            answer.result = storeRefused;
        break;
    default:
        break;
    }
    answer.arguments = std::move(back);
    return answer;
}
