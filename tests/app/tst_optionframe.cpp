#include "optioncheckbox.h"
#include "optionframe.h"
#include "optiontable.h"
#include "testregistry.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QTest>

namespace {

enum class Gesture { ClickOnBox, ClickOnCaption, SpaceBar };

constexpr int indicatorX = 5;
// Into the caption's last wrapped line, past its first letters.
constexpr int intoTheLine = 20;

QPoint onLastCaptionLine(OptionCheckBox *box)
{
    const QRect text = box->fontMetrics().boundingRect(
        box->captionRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, box->caption());
    return QPoint(text.left() + intoTheLine, text.bottom() - box->fontMetrics().height() / 2);
}

void operate(OptionCheckBox *box, Gesture gesture)
{
    switch (gesture) {
    case Gesture::ClickOnBox:
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(indicatorX, box->height() / 2));
        break;
    case Gesture::ClickOnCaption:
        QTest::mouseClick(box, Qt::LeftButton, {}, onLastCaptionLine(box));
        break;
    case Gesture::SpaceBar:
        QTest::keyClick(box, Qt::Key_Space);
        break;
    }
}

QWidget *nextTabStop(QWidget *widget)
{
    do {
        widget = widget->nextInFocusChain();
    } while (!(widget->focusPolicy() & Qt::TabFocus));
    return widget;
}

} // namespace

Q_DECLARE_METATYPE(Gesture)
Q_DECLARE_METATYPE(Qt::CheckState)

class OptionFrameTest : public QObject
{
    Q_OBJECT

private slots:
    void placesAreTwipsDividedByFifteen_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parentName");
        QTest::addColumn<QRect>("pixels");

        QTest::newRow("panel") << "Frame1"
                               << "" << QRect(0, 0, 905, 505);
        QTest::newRow("Codabar group") << "Frame5"
                                       << "Frame1" << QRect(144, 160, 169, 289);
        QTest::newRow("configuration group") << "Frame11"
                                             << "Frame1" << QRect(312, 312, 225, 137);
        QTest::newRow("Enable ALL in the panel") << "Check5"
                                                 << "Frame1" << QRect(8, 16, 89, 17);
        QTest::newRow("tallest box") << "Check25"
                                     << "Frame5" << QRect(8, 128, 153, 73);
        QTest::newRow("EAN add-on") << "Check60"
                                    << "Frame8" << QRect(8, 88, 121, 25);
        QTest::newRow("length field") << "Text3"
                                      << "Frame5" << QRect(136, 168, 25, 19);
        QTest::newRow("Code 39 field") << "Text6"
                                       << "Frame6" << QRect(192, 192, 25, 19);
    }
    void placesAreTwipsDividedByFifteen()
    {
        QFETCH(QString, name);
        QFETCH(QString, parentName);
        QFETCH(QRect, pixels);

        QWidget holder;
        auto *frame = new OptionFrame(&holder);
        QWidget *widget = frame->objectName() == name ? frame : frame->findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), pixels);
        if (!parentName.isEmpty())
            QCOMPARE(widget->parentWidget()->objectName(), parentName);
    }

    void captionsKeepTheirSpelling_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");

        QTest::newRow("misspelt Disable") << "Check3"
                                          << "Disabel EAN-8";
        QTest::newRow("misspelt Retrieve") << "Check57"
                                           << "Retrive vaulted configuration";
        QTest::newRow("misspelt Length") << "Check19"
                                         << "Set Minimum Lenght for code 93 to XX";
        QTest::newRow("field named after its option") << "Text1"
                                                      << "Set Minimum Lenght for code 93 to XX";
        QTest::newRow("elided caption") << "Check26"
                                        << "Set maximum...";
        QTest::newRow("panel box") << "Check5"
                                   << "Enable ALL";
    }
    void captionsKeepTheirSpelling()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);

        OptionFrame frame;
        auto *widget = frame.findChild<QWidget *>(name);
        QVERIFY(widget);
        const auto *group = qobject_cast<QGroupBox *>(widget);
        QCOMPARE(group ? group->title() : widget->accessibleName(), caption);
    }

    void everyBoxIsFoundByNameAndNamedByCaption()
    {
        OptionFrame frame;
        for (int n = 1; n <= OptionTable::optionCount; ++n) {
            const QString name = QStringLiteral("Check%1").arg(n);
            QCheckBox *box = frame.checkBox(n);
            QVERIFY2(box && frame.findChild<QCheckBox *>(name) == box, qPrintable(name));
            QVERIFY2(!box->accessibleName().isEmpty(), qPrintable(name));
            QCOMPARE(
                box->accessibleName(), QString::fromUtf8(OptionTable::optionForCheck(n).caption));
            QCOMPARE(box->checkState(), Qt::Unchecked);
        }
        for (int n = 1; n <= OptionTable::lengthFieldCount; ++n) {
            const QString name = QStringLiteral("Text%1").arg(n);
            QLineEdit *field = frame.lengthField(n);
            QVERIFY2(field && frame.findChild<QLineEdit *>(name) == field, qPrintable(name));
            QCOMPARE(field->accessibleName(),
                frame.checkBox(OptionTable::lengthField(n).checkNumber)->accessibleName());
            QVERIFY(field->text().isEmpty());
        }
    }

    void operatorNeverMakesABoxGreyed_data()
    {
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<Qt::CheckState>("before");
        QTest::addColumn<Qt::CheckState>("after");

        const std::pair<const char *, Gesture> gestures[] = {
            {"click on box", Gesture::ClickOnBox},
            {"click on wrapped caption", Gesture::ClickOnCaption},
            {"space bar", Gesture::SpaceBar},
        };
        for (const auto &[name, gesture] : gestures) {
            QTest::addRow("%s: unchecked to checked", name)
                << gesture << Qt::Unchecked << Qt::Checked;
            QTest::addRow("%s: checked to unchecked, not greyed", name)
                << gesture << Qt::Checked << Qt::Unchecked;
            QTest::addRow("%s: greyed to checked", name)
                << gesture << Qt::PartiallyChecked << Qt::Checked;
        }
    }
    void operatorNeverMakesABoxGreyed()
    {
        QFETCH(Gesture, gesture);
        QFETCH(Qt::CheckState, before);
        QFETCH(Qt::CheckState, after);

        OptionFrame frame;
        // Check25 has the longest caption, wrapped over several lines.
        auto *box = qobject_cast<OptionCheckBox *>(frame.checkBox(25));
        box->setCheckState(before);
        QCOMPARE(box->checkState(), before);
        operate(box, gesture);
        QCOMPARE(box->checkState(), after);
    }

    void lengthFieldsLimitOnlyTypedLength_data()
    {
        QTest::addColumn<int>("textNumber");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");

        QTest::newRow("Text1 refuses a third character") << 1 << "123"
                                                         << "12";
        QTest::newRow("Text1 takes a letter") << 1 << "a"
                                              << "a";
        QTest::newRow("Text7 refuses a third character") << 7 << "9x9"
                                                         << "9x";
        QTest::newRow("Text3 takes 123") << 3 << "123"
                                         << "123";
        QTest::newRow("Text10 takes any length") << 10 << "12345678"
                                                 << "12345678";
    }
    void lengthFieldsLimitOnlyTypedLength()
    {
        QFETCH(int, textNumber);
        QFETCH(QString, typed);
        QFETCH(QString, kept);

        OptionFrame frame;
        QLineEdit *field = frame.lengthField(textNumber);
        QTest::keyClicks(field, typed);
        QCOMPARE(field->text(), kept);
    }

    void textFromAFileIsKeptWholeAndCanOnlyShrink()
    {
        OptionFrame frame;
        QLineEdit *field = frame.lengthField(1);
        frame.setLengthText(1, QStringLiteral("1234"));
        QCOMPARE(field->text(), QStringLiteral("1234"));
        field->setCursorPosition(4);
        QTest::keyClicks(field, QStringLiteral("5"));
        QCOMPARE(field->text(), QStringLiteral("1234"));
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), QStringLiteral("123"));
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, QStringLiteral("9"));
        QCOMPARE(field->text(), QStringLiteral("12"));
    }

    void everyCaptionFitsItsBox()
    {
        OptionFrame frame;
        for (int n = 1; n <= OptionTable::optionCount; ++n) {
            auto *box = qobject_cast<OptionCheckBox *>(frame.checkBox(n));
            QVERIFY(box);
            QVERIFY2(box->captionFits(), qPrintable(box->accessibleName()));
        }
    }

    void noCaptionRunsUnderItsLengthField()
    {
        OptionFrame frame;
        for (int n = 1; n <= OptionTable::lengthFieldCount; ++n) {
            QLineEdit *field = frame.lengthField(n);
            auto *box = qobject_cast<OptionCheckBox *>(
                frame.checkBox(OptionTable::lengthField(n).checkNumber));
            const QRect caption = box->captionRect().translated(box->pos());
            QVERIFY2(!caption.intersects(field->geometry()), qPrintable(field->objectName()));
        }
    }

    void tabRunsDownAGroupBeforeTheNext()
    {
        OptionFrame frame;
        const char *expected[] = {"Check1", "Check2", "Check3", "Check4", "Check60", "Check6"};
        QWidget *widget = frame.checkBox(1);
        for (const char *name : expected) {
            QCOMPARE(widget->objectName(), QString::fromLatin1(name));
            widget = nextTabStop(widget);
        }
    }
};

PELSADO_REGISTER_TEST(OptionFrameTest);
#include "tst_optionframe.moc"
