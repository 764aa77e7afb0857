#include "optioncheckbox.h"
#include "optionframe.h"
#include "optiontable.h"

#include <QLineEdit>
#include <QTest>

#include <utility>

class OptionFrameTest : public QObject
{
    Q_OBJECT

private slots:
    // A child placed in the wrong container keeps its rectangle but lands
    // elsewhere on screen, so the container is checked too.
    void placesAreTwipsDividedByFifteen_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("pixels");
        QTest::addColumn<QString>("parentName");
        QTest::newRow("Codabar group") << "Frame5" << QRect(144, 160, 169, 289) << "Frame1";
        QTest::newRow("tallest box") << "Check25" << QRect(8, 128, 153, 73) << "Frame5";
        QTest::newRow("EAN add-on") << "Check60" << QRect(8, 88, 121, 25) << "Frame8";
        QTest::newRow("length field") << "Text3" << QRect(136, 168, 25, 19) << "Frame5";
    }
    void placesAreTwipsDividedByFifteen()
    {
        QFETCH(QString, name);
        QFETCH(QRect, pixels);
        QFETCH(QString, parentName);
        OptionFrame frame;
        auto *widget = frame.findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), pixels);
        QCOMPARE(widget->parentWidget()->objectName(), parentName);
    }

    // Starts greyed, as a loaded file can leave a box; the caption is clicked
    // in its middle, lines below the first.
    void clickTogglesAndNeverGreys()
    {
        constexpr int indicatorX = 5;
        // The box with the longest caption, wrapped over several lines.
        constexpr int longestCaptionCheck = 25;
        OptionFrame frame;
        auto *box = qobject_cast<OptionCheckBox *>(frame.checkBox(longestCaptionCheck));
        const QPoint onBox(indicatorX, box->height() / 2);
        const QPoint onCaption = box->captionRect().center();
        const std::pair<QPoint, Qt::CheckState> clicks[]
            = {{onBox, Qt::Checked}, {onCaption, Qt::Unchecked}, {onCaption, Qt::Checked},
                {onBox, Qt::Unchecked}, {onBox, Qt::Checked}};
        box->setCheckState(Qt::PartiallyChecked);
        for (const auto &[where, after] : clicks) {
            QTest::mouseClick(box, Qt::LeftButton, {}, where);
            QCOMPARE(box->checkState(), after);
        }
    }

    void onlySomeLengthFieldsLimitTypedLength()
    {
        OptionFrame frame;
        QTest::keyClicks(frame.lengthField(1), QStringLiteral("123"));
        QTest::keyClicks(frame.lengthField(3), QStringLiteral("123"));
        QCOMPARE(frame.lengthField(1)->text(), QStringLiteral("12"));
        QCOMPARE(frame.lengthField(3)->text(), QStringLiteral("123"));
    }

    void textFromAFileIsKeptWholeAndCanOnlyShrink()
    {
        OptionFrame frame;
        QLineEdit *field = frame.lengthField(1);
        frame.setLengthText(1, QStringLiteral("1234"));
        QCOMPARE(field->text(), QStringLiteral("1234"));
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, QStringLiteral("9"));
        QCOMPARE(field->text(), QStringLiteral("123"));
    }

    void accessibleNamesAreTheCaptions()
    {
        OptionFrame frame;
        for (const Option &option : OptionTable::options())
            QCOMPARE(frame.checkBox(option.checkNumber)->accessibleName(),
                QString::fromUtf8(option.caption));
        for (int n = 1; n <= OptionTable::lengthFieldCount; ++n)
            QCOMPARE(frame.lengthField(n)->accessibleName(),
                frame.checkBox(OptionTable::lengthField(n).checkNumber)->accessibleName());
    }
};

QTEST_MAIN(OptionFrameTest)
#include "tst_optionframe.moc"
