#include "module3.h"

#include "numericvalue.h"

namespace {
constexpr qint32 outOfRange = 0;
}

qint32 Module3::portNumber() const
{
    return toInt32HalfEven(numericValue(QStringView(ComPort).right(1))).value_or(outOfRange);
}

qint32 Module3::baudValue() const
{
    return toInt32HalfEven(numericValue(BaudRate)).value_or(outOfRange);
}
