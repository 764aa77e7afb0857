#include "bridgeprotocol.h"

namespace BridgeProtocol {

using LinkCall::Kind;
using LinkCall::receiveArraySize;
using LinkCall::signature;
using LinkCall::Status;
using LinkCall::Value;

namespace {

constexpr unsigned bitsPerByte = 8;
constexpr unsigned byteMask = 0xFF;

void putUint32(std::string &out, std::uint32_t value)
{
    for (std::size_t i = 0; i < sizeof value; ++i)
        out.push_back(char((value >> (bitsPerByte * i)) & byteMask));
}

void putText(std::string &out, const std::string &text)
{
    putUint32(out, std::uint32_t(text.size()));
    out += text;
}

void putValue(std::string &out, Kind kind, const Value &value)
{
    switch (kind) {
    case Kind::Number:
    case Kind::Count:
    case Kind::Out:
        putUint32(out, std::uint32_t(value.number));
        break;
    case Kind::Text:
    case Kind::List:
        putText(out, value.text);
        break;
    case Kind::Array:
        for (std::size_t i = 0; i < receiveArraySize; ++i)
            putUint32(out, std::uint32_t(i < value.array.size() ? value.array[i] : 0));
        break;
    }
}

std::string withLengthPrefix(const std::string &body)
{
    std::string message;
    message.reserve(lengthPrefixSize + body.size());
    putUint32(message, std::uint32_t(body.size()));
    return message + body;
}

// Reads a body front to back; any read past its end marks it short.
class Reader
{
public:
    explicit Reader(std::string_view body)
        : m_body(body)
    { }

    bool failed() const { return m_failed; }
    bool atEnd() const { return m_position == m_body.size(); }

    std::uint8_t byte()
    {
        if (!has(1))
            return 0;
        return std::uint8_t(m_body[m_position++]);
    }

    std::int32_t number()
    {
        if (!has(lengthPrefixSize))
            return 0;
        const std::int32_t value = std::int32_t(bodyLength(m_body.data() + m_position));
        m_position += lengthPrefixSize;
        return value;
    }

    std::string text()
    {
        const std::uint32_t size = std::uint32_t(number());
        if (m_failed || !has(size))
            return {};
        std::string value(m_body.substr(m_position, size));
        m_position += size;
        return value;
    }

    void value(Kind kind, Value &value)
    {
        switch (kind) {
        case Kind::Number:
        case Kind::Count:
        case Kind::Out:
            value.number = number();
            break;
        case Kind::Text:
        case Kind::List:
            value.text = text();
            break;
        case Kind::Array:
            value.array.assign(receiveArraySize, 0);
            for (std::int32_t &element : value.array)
                element = number();
            break;
        }
    }

private:
    bool has(std::size_t count)
    {
        if (m_failed || m_body.size() - m_position < count)
            m_failed = true;
        return !m_failed;
    }

    std::string_view m_body;
    std::size_t m_position = 0;
    bool m_failed = false;
};

bool comesBack(Kind kind)
{
    return kind != Kind::Number && kind != Kind::Count;
}

std::string checkEnd(const Reader &reader)
{
    if (reader.failed())
        return "the message ends too early";
    if (!reader.atEnd())
        return "the message has bytes after its last field";
    return {};
}

} // namespace

std::string encodeRequest(const Call &call)
{
    std::string body(1, char(call.function));
    const char *kinds = signature(call.function).kinds;
    for (std::size_t i = 0; kinds[i]; ++i)
        putValue(body, Kind(kinds[i]), i < call.arguments.size() ? call.arguments[i] : Value());
    return withLengthPrefix(body);
}

std::string encodeAnswer(Function function, const Answer &answer)
{
    std::string body(1, char(answer.status));
    if (answer.status != Status::Done) {
        putText(body, answer.library);
        putText(body, answer.reason);
        return withLengthPrefix(body);
    }
    if (signature(function).result == Kind::Text)
        putText(body, answer.text);
    else
        putUint32(body, std::uint32_t(answer.result));
    const char *kinds = signature(function).kinds;
    for (std::size_t i = 0; kinds[i]; ++i) {
        if (comesBack(Kind(kinds[i])))
            putValue(
                body, Kind(kinds[i]), i < answer.arguments.size() ? answer.arguments[i] : Value());
    }
    return withLengthPrefix(body);
}

std::string decodeRequest(std::string_view body, Call &call)
{
    Reader reader(body);
    const std::uint8_t function = reader.byte();
    if (reader.failed())
        return "the message is empty";
    if (function >= LinkCall::functionCount)
        return "unknown function " + std::to_string(function);
    call = LinkCall::emptyCall(Function(function));
    const char *kinds = signature(call.function).kinds;
    for (std::size_t i = 0; kinds[i]; ++i)
        reader.value(Kind(kinds[i]), call.arguments[i]);
    return checkEnd(reader);
}

std::string decodeAnswer(std::string_view body, Function function, Answer &answer)
{
    Reader reader(body);
    const std::uint8_t status = reader.byte();
    if (reader.failed())
        return "the answer is empty";
    if (status >= LinkCall::statusCount)
        return "unknown answer status " + std::to_string(status);
    answer = Answer();
    answer.status = Status(status);
    if (answer.status != Status::Done) {
        answer.library = reader.text();
        answer.reason = reader.text();
        return checkEnd(reader);
    }
    if (signature(function).result == Kind::Text)
        answer.text = reader.text();
    else
        answer.result = reader.number();
    const Call shape = LinkCall::emptyCall(function);
    answer.arguments = shape.arguments;
    const char *kinds = signature(function).kinds;
    for (std::size_t i = 0; kinds[i]; ++i) {
        if (comesBack(Kind(kinds[i])))
            reader.value(Kind(kinds[i]), answer.arguments[i]);
    }
    return checkEnd(reader);
}

std::uint32_t bodyLength(const char prefix[lengthPrefixSize])
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < lengthPrefixSize; ++i)
        value |= std::uint32_t(std::uint8_t(prefix[i])) << (bitsPerByte * i);
    return value;
}

Take takeMessage(std::string &buffer, std::string &body)
{
    if (buffer.size() < lengthPrefixSize)
        return Take::Incomplete;
    const std::uint32_t length = bodyLength(buffer.data());
    if (length > maxBodySize)
        return Take::TooLong;
    if (buffer.size() - lengthPrefixSize < length)
        return Take::Incomplete;
    body.assign(buffer, lengthPrefixSize, length);
    buffer.erase(0, lengthPrefixSize + length);
    return Take::Taken;
}

} // namespace BridgeProtocol
