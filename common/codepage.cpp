#include "codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

#ifdef Q_OS_WIN
QStringEncoder makeEncoder()
{
    return QStringEncoder(QStringConverter::System);
}
QStringDecoder makeDecoder()
{
    return QStringDecoder(QStringConverter::System);
}
#else
constexpr const char *codePageName = "windows-1252";
QStringEncoder makeEncoder()
{
    return QStringEncoder(codePageName);
}
QStringDecoder makeDecoder()
{
    return QStringDecoder(codePageName);
}
#endif

constexpr char missingCharacter = '?';

} // namespace

QByteArray toCodePage(QStringView text)
{
    QStringEncoder encoder = makeEncoder();
    QByteArray whole = encoder.encode(text);
    if (!encoder.hasError())
        return whole;

    // The converter's own substitute is not "?", so encode one character at a
    // time and put "?" where one fails.
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QStringEncoder single = makeEncoder();
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
    QStringDecoder decoder = makeDecoder();
    return decoder.decode(bytes);
}
