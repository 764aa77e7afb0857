// numericValue on arbitrary text, and the half-even conversions on its result.
//
// Input: a control byte, a position byte, then the text (UTF-8, or raw UTF-16
// when bit 0 of the control byte is set, so that lone surrogates occur too).
// Bits 1-2 of the control byte choose the skipped character that is inserted;
// the position byte places that insertion and a cut of the text.

#include "fuzzcheck.h"
#include "numericvalue.h"

#include <QLocale>
#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

namespace {

constexpr size_t controlSize = 2;
constexpr uint8_t utf16Flag = 0x01;
constexpr int skippedChoiceShift = 1;
constexpr uint8_t skippedChoiceMask = 0x03;
constexpr int positionScale = 256;

// Blank, tab and line feed are skipped wherever they stand.
constexpr char16_t skippedCharacters[] = {u' ', u'\t', u'\n', u' '};
// No rule of the reader accepts it anywhere, so reading stops in front of it.
constexpr QChar stopCharacter(u'Z');

// Up to these many significant digits the value lies below 2^53 and is exact
// in a double, so a plain integer text must read as exactly that integer.
constexpr int exactDecimalDigits = 15;
constexpr int exactHexDigits = 13;
constexpr int exactOctalDigits = 17;
constexpr int decimalRadix = 10;
constexpr int hexRadix = 16;
constexpr int octalRadix = 8;

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDecimalDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

QString withoutSkipped(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (!isSkipped(c))
            result += c;
    }
    return result;
}

// Same value, including the sign of a zero.
bool sameValue(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::optional<double> exactInteger(const QString &digits, int radix, int maxSignificant)
{
    qsizetype first = 0;
    while (first < digits.size() && digits[first] == u'0')
        ++first;
    if (digits.size() - first > maxSignificant)
        return std::nullopt;
    if (first == digits.size())
        return 0.0;
    bool ok = false;
    const qulonglong value = digits.mid(first).toULongLong(&ok, radix);
    return ok ? std::optional<double>(double(value)) : std::nullopt;
}

// Plain integers: decimal digits (not followed by a fraction or an exponent),
// or &H / &O followed by digits of that radix.
void checkPlainIntegers(const QString &compact, double value)
{
    static const QRegularExpression decimal(QStringLiteral("^([+-]?)([0-9]+)(?![0-9.eE])"));
    static const QRegularExpression hex(QStringLiteral("^&[hH]([0-9A-Fa-f]+)"));
    static const QRegularExpression octal(QStringLiteral("^&[oO]([0-7]+)"));

    if (const auto match = decimal.match(compact); match.hasMatch()) {
        if (const auto expected
            = exactInteger(match.captured(2), decimalRadix, exactDecimalDigits)) {
            const double signedExpected = match.captured(1) == u"-" ? -*expected : *expected;
            fuzzCheck(sameValue(value, signedExpected), "a decimal integer reads exactly");
        }
    } else if (const auto match = hex.match(compact); match.hasMatch()) {
        if (const auto expected = exactInteger(match.captured(1), hexRadix, exactHexDigits))
            fuzzCheck(value == *expected, "an &H integer reads exactly");
    } else if (const auto match = octal.match(compact); match.hasMatch()) {
        if (const auto expected = exactInteger(match.captured(1), octalRadix, exactOctalDigits))
            fuzzCheck(value == *expected, "an &O integer reads exactly");
    }
}

// A text that is one decimal number and nothing else reads as Qt's own
// correctly rounded conversion reads it, overflow and underflow included.
void checkAgainstQtConversion(const QString &compact, double value)
{
    static const QRegularExpression wholeNumber(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    if (!wholeNumber.match(compact).hasMatch())
        return;
    bool ok = false;
    const double reference = QLocale::c().toDouble(compact, &ok);
    if (ok) {
        fuzzCheck(value == reference, "a decimal number reads as Qt converts it");
    } else if (std::isinf(reference)) {
        fuzzCheck(value == reference, "a decimal number too large reads as infinity");
    } else {
        fuzzCheck(value == 0.0, "a decimal number too small reads as zero");
    }
}

template<typename Int>
void checkHalfEven(double value, std::optional<Int> rounded)
{
    // The lowest half rounds to the even limit itself, the highest half beyond it.
    constexpr double lowest = double(std::numeric_limits<Int>::min()) - 0.5;
    constexpr double highest = double(std::numeric_limits<Int>::max()) + 0.5;
    if (value >= lowest && value < highest)
        fuzzCheck(rounded.has_value(), "a value within the type converts");
    if (!rounded)
        return;
    const double distance = std::fabs(double(*rounded) - value);
    fuzzCheck(distance <= 0.5, "the conversion rounds to a nearest whole number");
    if (distance == 0.5)
        fuzzCheck(*rounded % 2 == 0, "a half rounds to the even neighbour");
}

QString decodeText(const uint8_t *bytes, size_t size, bool utf16)
{
    if (!utf16)
        return QString::fromUtf8(reinterpret_cast<const char *>(bytes), qsizetype(size));
    QString text(qsizetype(size / sizeof(char16_t)), Qt::Uninitialized);
    std::memcpy(text.data(), bytes, size_t(text.size()) * sizeof(char16_t));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < controlSize)
        return 0;
    const uint8_t control = data[0];
    const uint8_t positionByte = data[1];
    const QString text
        = decodeText(data + controlSize, size - controlSize, (control & utf16Flag) != 0);

    const double value = numericValue(text);
    fuzzCheck(!std::isnan(value), "the value is never NaN");

    const std::optional<qint16> int16 = toInt16HalfEven(value);
    const std::optional<qint32> int32 = toInt32HalfEven(value);
    checkHalfEven(value, int16);
    checkHalfEven(value, int32);
    if (int16)
        fuzzCheck(int32 && *int32 == *int16, "16-bit and 32-bit conversions agree");

    const QString compact = withoutSkipped(text);
    fuzzCheck(sameValue(numericValue(compact), value), "removing blanks keeps the value");

    const qsizetype position = qsizetype(positionByte) * (text.size() + 1) / positionScale;
    const QChar skipped(skippedCharacters[(control >> skippedChoiceShift) & skippedChoiceMask]);
    QString inserted = text;
    inserted.insert(position, skipped);
    fuzzCheck(sameValue(numericValue(inserted), value), "inserting a blank keeps the value");

    QString stopped = text;
    stopped.insert(position, stopCharacter);
    fuzzCheck(sameValue(numericValue(stopped), numericValue(QStringView(text).left(position))),
        "reading stops at a character that fits no rule");

    if (!compact.isEmpty() && (isDecimalDigit(compact.front()) || compact.front() == u'.')) {
        fuzzCheck(numericValue(u'-' + compact) == -value, "a minus sign negates");
        fuzzCheck(sameValue(numericValue(u'+' + compact), value), "a plus sign changes nothing");
    }

    checkPlainIntegers(compact, value);
    checkAgainstQtConversion(compact, value);
    return 0;
}
