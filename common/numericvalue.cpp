#include "numericvalue.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool isSkipped(QChar c)
{
    // One comparison for the characters of a number, all above the blank.
    return c <= u' ' && (c == u' ' || c == u'\t' || c == u'\n');
}

bool isDecimalDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Yields the characters of a text one by one with the skipped ones left out.
class Reader
{
public:
    explicit Reader(QStringView text)
        : m_text(text)
    {
        skip();
    }

    // The current character, a null one at the end. Kept, not looked up: a
    // long number asks for each of its characters several times.
    QChar peek() const { return m_current; }
    void next()
    {
        ++m_pos;
        skip();
    }

private:
    void skip()
    {
        const qsizetype size = m_text.size();
        const char16_t *characters = m_text.utf16();
        while (m_pos < size && isSkipped(characters[m_pos]))
            ++m_pos;
        m_current = m_pos < size ? QChar(characters[m_pos]) : QChar();
    }

    QStringView m_text;
    qsizetype m_pos = 0;
    QChar m_current;
};

int digitValue(QChar c, int radix)
{
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'A' && u <= u'F')
        value = u - u'A' + 10;
    else if (u >= u'a' && u <= u'f')
        value = u - u'a' + 10;
    return value < radix ? value : -1;
}

double radixValue(Reader &reader, int radix)
{
    double value = 0;
    for (int digit = digitValue(reader.peek(), radix); digit >= 0;
         digit = digitValue(reader.peek(), radix)) {
        value = value * radix + digit;
        reader.next();
    }
    return value;
}

} // namespace

double numericValue(QStringView text)
{
    Reader reader(text);
    if (reader.peek() == u'&') {
        reader.next();
        const QChar kind = reader.peek().toUpper();
        if (kind == u'H' || kind == u'O') {
            reader.next();
            return radixValue(reader, kind == u'H' ? 16 : 8);
        }
        return 0;
    }

    // Collect the accepted characters as plain ASCII and let from_chars do the
    // conversion: it is locale-independent and rounds correctly.
    std::string number;
    number.reserve(size_t(text.size()));
    bool negative = false;
    if (reader.peek() == u'+' || reader.peek() == u'-') {
        negative = reader.peek() == u'-';
        reader.next();
    }
    int significantIntegerDigits = 0;
    bool anyDigit = false;
    while (isDecimalDigit(reader.peek())) {
        if (reader.peek() != u'0' || significantIntegerDigits > 0)
            ++significantIntegerDigits;
        number += char(reader.peek().unicode());
        anyDigit = true;
        reader.next();
    }
    // Zeros after the point that come before any significant digit: they
    // move the number's magnitude down, which decides overflow from underflow.
    long leadingFractionZeros = 0;
    bool significantFraction = false;
    if (reader.peek() == u'.') {
        number += '.';
        reader.next();
        while (isDecimalDigit(reader.peek())) {
            if (reader.peek() != u'0')
                significantFraction = true;
            else if (!significantFraction)
                ++leadingFractionZeros;
            number += char(reader.peek().unicode());
            anyDigit = true;
            reader.next();
        }
    }
    if (!anyDigit)
        return 0;

    long exponent = 0;
    if (reader.peek() == u'E' || reader.peek() == u'e') {
        reader.next();
        bool negativeExponent = false;
        if (reader.peek() == u'+' || reader.peek() == u'-') {
            negativeExponent = reader.peek() == u'-';
            reader.next();
        }
        constexpr long exponentCap = 100000; // far beyond any double; keeps the sum in range
        while (isDecimalDigit(reader.peek())) {
            if (exponent < exponentCap)
                exponent = exponent * 10 + (reader.peek().unicode() - u'0');
            reader.next();
        }
        if (negativeExponent)
            exponent = -exponent;
        number += 'e' + std::to_string(exponent);
    }

    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        const long magnitude = significantIntegerDigits > 0 ? significantIntegerDigits + exponent
                                                            : exponent - leadingFractionZeros;
        const bool overflow = magnitude > 0;
        value = overflow ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

namespace {

template<typename Int>
std::optional<Int> toIntHalfEven(double value)
{
    if (std::isnan(value))
        return std::nullopt;
    // nearbyint rounds by the current rounding mode, which is to-nearest-even
    // unless someone changed it; that is exactly the rule wanted here.
    const double rounded = std::nearbyint(value);
    if (rounded < double(std::numeric_limits<Int>::min())
        || rounded > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

} // namespace

std::optional<qint16> toInt16HalfEven(double value)
{
    return toIntHalfEven<qint16>(value);
}

std::optional<qint32> toInt32HalfEven(double value)
{
    return toIntHalfEven<qint32>(value);
}
