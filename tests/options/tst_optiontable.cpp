#include "optiontable.h"
#include "testregistry.h"

#include <QSet>
#include <QTest>

namespace {

// The designer's boxes share their border row: a box may start on the last
// twip-row of a pixel of the box above it, never further in.
constexpr int sharedBorderTwips = 15;

bool isCodeCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

TwipRect groupPlace(int frameNumber)
{
    if (frameNumber == OptionTable::panelFrameNumber)
        return OptionTable::panelPlace;
    for (const OptionGroup &group : OptionTable::groups()) {
        if (group.frameNumber == frameNumber)
            return group.place;
    }
    return {};
}

// `inner` is measured from the top-left corner of the frame whose place is `outer`.
bool liesInside(const TwipRect &inner, const TwipRect &outer)
{
    return inner.left >= 0 && inner.top >= 0 && inner.left + inner.width <= outer.width
        && inner.top + inner.height <= outer.height;
}

QString describe(const Option &option)
{
    return QStringLiteral("Check%1 in Frame%2").arg(option.checkNumber).arg(option.frameNumber);
}

} // namespace

class OptionTableTest : public QObject
{
    Q_OBJECT

private slots:
    void everyCheckNumberAndCodeOccursOnce()
    {
        QSet<int> checkNumbers;
        QSet<QByteArray> codes;
        for (const Option &option : OptionTable::options()) {
            QVERIFY2(option.checkNumber >= 1 && option.checkNumber <= OptionTable::optionCount,
                qPrintable(describe(option)));
            const QByteArray code(option.code);
            QVERIFY2(code.size() == 2 && code.at(0) >= 'A' && code.at(0) <= 'Z'
                    && isCodeCharacter(code.at(1)),
                code.constData());
            checkNumbers.insert(option.checkNumber);
            codes.insert(code);
            QCOMPARE(OptionTable::optionForCheck(option.checkNumber).code, option.code);
        }
        QCOMPARE(checkNumbers.size(), OptionTable::optionCount);
        QCOMPARE(codes.size(), OptionTable::optionCount);
    }

    void eachLengthFieldBelongsToOneOptionOfItsFrame()
    {
        QSet<int> claimed;
        for (const Option &option : OptionTable::options()) {
            if (!option.isLengthOption())
                continue;
            QVERIFY2(!claimed.contains(option.textNumber), qPrintable(describe(option)));
            claimed.insert(option.textNumber);
            const LengthField &field = OptionTable::lengthField(option.textNumber);
            QCOMPARE(field.textNumber, option.textNumber);
            QCOMPARE(field.checkNumber, option.checkNumber);
            QCOMPARE(field.frameNumber, option.frameNumber);
            // It sits beside its own option's caption, not on another row.
            QVERIFY2(field.place.top < option.place.top + option.place.height
                    && option.place.top < field.place.top + field.place.height,
                qPrintable(describe(option)));
        }
        QCOMPARE(claimed.size(), OptionTable::lengthFieldCount);
    }

    void everyBoxAndFieldLiesInsideItsFrame()
    {
        for (const Option &option : OptionTable::options())
            QVERIFY2(liesInside(option.place, groupPlace(option.frameNumber)),
                qPrintable(describe(option)));
        for (const LengthField &field : OptionTable::lengthFields())
            QVERIFY2(liesInside(field.place, groupPlace(field.frameNumber)),
                qPrintable(QStringLiteral("Text%1").arg(field.textNumber)));
        for (const OptionGroup &group : OptionTable::groups())
            QVERIFY2(liesInside(group.place, OptionTable::panelPlace),
                qPrintable(QStringLiteral("Frame%1").arg(group.frameNumber)));
    }

    void noTwoBoxesOfAFrameOverlap()
    {
        for (const Option &a : OptionTable::options()) {
            for (const Option &b : OptionTable::options()) {
                if (&a == &b || a.frameNumber != b.frameNumber || a.place.top > b.place.top)
                    continue;
                // a is the upper one; one column, so equal tops always collide.
                QVERIFY2(a.place.top < b.place.top
                        && a.place.top + a.place.height <= b.place.top + sharedBorderTwips,
                    qPrintable(describe(a) + QStringLiteral(" runs into ") + describe(b)));
            }
        }
    }
};

PELSADO_REGISTER_TEST(OptionTableTest);
#include "tst_optiontable.moc"
