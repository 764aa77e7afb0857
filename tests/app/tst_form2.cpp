#include "form2.h"

#include <QAccessible>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class Form2Test : public QObject
{
    Q_OBJECT

private slots:
    // Each way out of the dialog, after the port was typed over and Enter was
    // pressed in it: only OK hands the texts back, and nothing is added to a list.
    void onlyOkHandsBackWhatWasTyped_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("closes");
        QTest::newRow("OK: the caller closes it") << "Command1" << true << false;
        QTest::newRow("Cancel") << "Command2" << false << true;
        QTest::newRow("close box") << "" << false << true;
        QTest::newRow("Escape") << "Escape" << false << false;
    }
    void onlyOkHandsBackWhatWasTyped()
    {
        QFETCH(QString, how);
        QFETCH(bool, accepted);
        QFETCH(bool, closes);
        QPointer<Form2> dialog = new Form2(QStringLiteral("1"), QStringLiteral("19 200"));
        dialog->show();
        QSignalSpy spy(dialog.data(), &Form2::accepted);
        QCOMPARE(dialog->baudRateField()->currentText(), QStringLiteral("19 200"));
        dialog->comPortField()->clearEditText();
        QTest::keyClicks(dialog->comPortField(), QStringLiteral("Com12"));
        QTest::keyClick(dialog->comPortField(), Qt::Key_Return);
        QCOMPARE(dialog->comPortField()->count(), 9);
        if (how == QLatin1String("Escape"))
            QTest::keyClick(dialog->comPortField(), Qt::Key_Escape);
        else if (how.isEmpty())
            dialog->close();
        else
            QTest::mouseClick(dialog->findChild<QPushButton *>(how), Qt::LeftButton);

        const QList<QVariantList> handedBack = accepted
            ? QList<QVariantList> {{QStringLiteral("Com12"), QStringLiteral("19 200")}}
            : QList<QVariantList>();
        QCOMPARE(QList<QVariantList>(spy), handedBack);
        QTRY_COMPARE(dialog.isNull(), closes);
        delete dialog;
    }

    // Assistive tools name each list by its label, not by the value it holds
    // (on Linux, Qt names an editable list by its value and leaves the label
    // to the "labelled by" relation).
    void listsAreLabelledByTheirCaptions()
    {
        Form2 dialog(QStringLiteral("Com1"), QStringLiteral("9600"));
        QStringList labels;
        for (QWidget *list : {dialog.comPortField(), dialog.baudRateField()}) {
            const auto relations
                = QAccessible::queryAccessibleInterface(list)->relations(QAccessible::Label);
            QCOMPARE(relations.size(), 1);
            labels << relations.first().first->text(QAccessible::Name) << list->accessibleName();
        }
        QCOMPARE(labels, (QStringList {"Com Port", "Com Port", "Baud Rate", "Baud Rate"}));
    }
};

QTEST_MAIN(Form2Test)
#include "tst_form2.moc"
