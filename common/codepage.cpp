#include "codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>

namespace {

#ifdef Q_OS_WIN
constexpr QStringConverter::Encoding codePage = QStringConverter::System;
#else
constexpr const char *codePage = "windows-1252";
#endif

// Opening a converter by name is costly (it looks up a table), so each thread
// keeps one. The code page is single-byte and keeps no state between calls,
// but a converter's error flag never clears: once it has met a character it
// cannot convert, it is replaced. Always in place: a converter must not be
// moved, its conversion library keeps a pointer to its state.
QStringEncoder &encoder()
{
    thread_local std::optional<QStringEncoder> converter;
    if (!converter || converter->hasError())
        converter.emplace(codePage);
    return *converter;
}

QStringDecoder &decoder()
{
    thread_local std::optional<QStringDecoder> converter;
    if (!converter || converter->hasError())
        converter.emplace(codePage);
    return *converter;
}

constexpr char missingCharacter = '?';

} // namespace

QByteArray toCodePage(QStringView text)
{
    QStringEncoder &converter = encoder();
    QByteArray whole = converter.encode(text);
    if (!converter.hasError())
        return whole;

    // The converter's own substitute is not "?", so encode one character at a
    // time and put "?" where one fails.
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QStringEncoder single(codePage);
        const QByteArray one = single.encode(text.mid(i, width));
        if (single.hasError() || one.isEmpty())
            bytes += missingCharacter;
        else
            bytes += one;
        i += width;
    }
    return bytes;
}

QString fromCodePage(QByteArrayView bytes)
{
    return decoder().decode(bytes);
}

void fromCodePage(QByteArrayView bytes, QString &text)
{
    QStringDecoder &converter = decoder();
    text.resize(converter.requiredSpace(bytes.size()));
    const QChar *end = converter.appendToBuffer(text.data(), bytes);
    text.truncate(end - text.constData());
}
