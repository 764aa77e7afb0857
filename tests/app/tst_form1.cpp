#include "bootsettings.h"
#include "bridgetransport.h"
#include "filedialog.h"
#include "form1.h"
#include "form2.h"
#include "goldentexts.h"
#include "inprocesstransport.h"
#include "messageboxmessages.h"
#include "module3.h"
#include "optioncheckbox.h"
#include "recordinglinktransport.h"
#include "recordingmessages.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

// Answers the file dialog with a name given in advance.
class ScriptedFileDialog final : public FileDialog
{
public:
    std::optional<QString> answer;
    std::optional<QString> askOpen() override { return answer; }
    std::optional<QString> askSave() override { return answer; }
};

// How long the failing bridges' tests wait for an answer.
constexpr std::chrono::milliseconds silenceBound {100};

// The main window over recording fakes and a temporary settings store.
struct WindowRig
{
    using MakeLink = std::function<std::unique_ptr<LinkLibrary>(OperatorMessages &)>;

    // `makeLink` puts a real way to the library in place of the recording one.
    explicit WindowRig(const MakeLink &makeLink = {})
        : ownLink(makeLink ? makeLink(messages) : nullptr)
        , window(std::make_unique<Form1>(
              settings, ownLink ? *ownLink : link, messages, store, &fileDialog))
    { }

    QTemporaryDir folder;
    BootSettings store {std::make_unique<QSettings>(
        folder.filePath(QStringLiteral("boot.ini")), QSettings::IniFormat)};
    Module3 settings;
    RecordingLinkLibrary link;
    RecordingMessages messages;
    ScriptedFileDialog fileDialog;
    std::unique_ptr<LinkLibrary> ownLink;
    std::unique_ptr<Form1> window;

    template<typename Child = QWidget>
    Child *child(const char *name) const
    {
        return window->findChild<Child *>(QString::fromLatin1(name));
    }
};

// What the operator reads on `window` and its named controls, named as the
// golden list names them ("Form1", "Form1.Check3"); a list gives one per entry.
QList<GoldenTexts::Entry> shownTexts(const QWidget &window)
{
    const QString name = window.objectName();
    QList<GoldenTexts::Entry> shown {{name, window.windowTitle()}};
    for (QObject *child : window.findChildren<QObject *>()) {
        const QString where = name + u'.' + child->objectName();
        if (child->objectName().startsWith(QLatin1String("qt_")))
            continue; // Qt's own parts
        if (auto *box = qobject_cast<OptionCheckBox *>(child))
            shown.append({where, box->caption()});
        else if (auto *button = qobject_cast<QAbstractButton *>(child))
            shown.append({where, button->text()});
        else if (auto *label = qobject_cast<QLabel *>(child))
            shown.append({where, label->text()});
        else if (auto *group = qobject_cast<QGroupBox *>(child))
            shown.append({where, group->title()});
        else if (auto *menu = qobject_cast<QMenu *>(child))
            shown.append({where, menu->title()});
        else if (auto *action = qobject_cast<QAction *>(child); action && !action->menu())
            shown.append({where, action->text()});
        else if (auto *list = qobject_cast<QComboBox *>(child)) {
            for (int entry = 0; entry < list->count(); ++entry)
                shown.append({where, list->itemText(entry)});
        }
    }
    return shown;
}

// One line per text, ordered by where it is read; a list's entries keep their order.
QStringList byPlace(QList<GoldenTexts::Entry> texts)
{
    std::stable_sort(texts.begin(), texts.end(),
        [](const GoldenTexts::Entry &a, const GoldenTexts::Entry &b) { return a.first < b.first; });
    QStringList lines;
    for (const auto &[where, text] : std::as_const(texts))
        lines << where + QStringLiteral(" \"") + text + u'"';
    return lines;
}

} // namespace

class Form1Test : public QObject
{
    Q_OBJECT

private slots:
    // Polling starts with the window, before the load handler, and ends before
    // Exit (the close box's handler) closes the link, here in serial mode.
    void pollsFromCreationUntilTheLinkIsClosed()
    {
        WindowRig rig;
        QTRY_VERIFY(
            rig.link.log.contains(QStringLiteral("Get_Message(0, 100000, 0, \"        \")")));
        rig.link.radioInitResult = 1;
        rig.window->load();
        QVERIFY(!rig.window->windowIcon().pixmap(32).isNull());
        rig.window->show();
        rig.link.log.clear();
        rig.child<QAction>("Exit")->trigger();
        QTest::qWait(3 * TerminalPoller::pollIntervalMs);
        QCOMPARE(rig.link.log, QStringList {"TerminateComm(1)"});
    }

    // Both windows after start-up, every named control, and the title of every
    // message box, read as the operator reads them.
    void everyTextReadsAsDocumented()
    {
        WindowRig rig;
        rig.window->load();
        rig.child<QAction>("SerialConf")->trigger();
        QList<GoldenTexts::Entry> shown
            = shownTexts(*rig.window) + shownTexts(*rig.window->serialDialog());
        QTimer::singleShot(0, rig.window.get(), [&shown] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown.append({QStringLiteral("MessageBox"), box->windowTitle()});
                box->done(QMessageBox::Ok);
            }
        });
        MessageBoxMessages().show(QStringLiteral("any text"));

        const GoldenTexts::Values version {{"major", QString::number(PELSADO_VERSION_MAJOR)},
            {"minor", QString::number(PELSADO_VERSION_MINOR)},
            {"patch", QString::number(PELSADO_VERSION_PATCH)}};
        QList<GoldenTexts::Entry> golden;
        for (const auto &[where, text] : GoldenTexts::entries()) {
            if (where.startsWith(QLatin1String("Form")) || where == QLatin1String("MessageBox"))
                golden.append({where, GoldenTexts::filled(text, version)});
        }
        QCOMPARE(byPlace(shown), byPlace(golden));
    }

    // A way to the library that fails is told once, in the tool's own words,
    // however often polling calls it afterwards. (A bridge that dies or is
    // killed is told in words tst_linktransport compares whole.)
    void linkFailureIsToldOnce_data()
    {
        QTest::addColumn<QString>("bridge"); // empty: no library, loaded in-process
        QTest::addColumn<QString>("what"); // how the bridge failed: a golden text's name
        QTest::addColumn<GoldenTexts::Values>("values");
        QTest::newRow("no library") << ""
                                    << "" << GoldenTexts::Values {};
        QTest::newRow("no bridge") << "/no/such/bridge"
                                   << "bridgeNotStarted" << GoldenTexts::Values {};
        QTest::newRow("bridge silent")
            << "sh -c \"cat >/dev/null\""
            << "bridgeSilent"
            << GoldenTexts::Values {{"bound", QString::number(silenceBound.count())}};
        QTest::newRow("bridge talks on") << "sh -c \"echo garbage; cat\""
                                         << "bridgeAnswerTooLong" << GoldenTexts::Values {};
    }
    void linkFailureIsToldOnce()
    {
        QFETCH(QString, bridge);
        QFETCH(QString, what);
        QFETCH(GoldenTexts::Values, values);
        const QStringList command = QProcess::splitCommand(bridge);
        WindowRig rig([&](OperatorMessages &messages) -> std::unique_ptr<LinkLibrary> {
            if (bridge.isEmpty())
                return std::make_unique<LinkLibrary>(
                    std::make_unique<InProcessTransport>(QStringLiteral("no_such_link_library")),
                    messages);
            return std::make_unique<LinkLibrary>(
                std::make_unique<BridgeTransport>(messages, command, silenceBound), messages);
        });
        // Through the bridge the first call comes from a tick of Timer1 (it runs from the
        // window's creation): start-up calls wait for a slow bridge as long as it takes.
        if (bridge.isEmpty())
            rig.window->load();
        QTRY_VERIFY(!rig.messages.shown.isEmpty());
        QTest::qWait(3 * TerminalPoller::pollIntervalMs);
        const QRegularExpression golden = bridge.isEmpty()
            ? GoldenTexts::pattern(QStringLiteral("libraryMissing"))
            : GoldenTexts::pattern(QStringLiteral("bridgeFailed"),
                {{"bridge", command.join(u' ')}, {"what", GoldenTexts::text(what, values)}});
        QVERIFY2(rig.messages.shown.filter(golden).size() == 1,
            qPrintable(rig.messages.shown.join(QStringLiteral("\n---\n"))
                + QStringLiteral("\nholds not once\n") + golden.pattern()));
    }

    // A wide trace shows its start, and nothing but the trace changes.
    void updateShowsTheStartOfTheTrace()
    {
        WindowRig rig;
        auto *trace = rig.child<QLineEdit>("Text11");
        rig.link.log.clear();
        for (int checkNumber = 1; checkNumber <= 10; ++checkNumber)
            rig.window->setCheckState(checkNumber, OptionPanel::checked);
        rig.child<QPushButton>("Command1")->click();
        QVERIFY(trace->text().startsWith(QLatin1String(", 82, 65, 0, 0, 0, 82, 67")));
        QVERIFY(trace->fontMetrics().horizontalAdvance(trace->text()) > trace->width());
        QCOMPARE(trace->cursorPosition(), 0);
        for (const QString &call : std::as_const(rig.link.log))
            QVERIFY2(call.startsWith(QLatin1String("Get_Message")), qPrintable(call));
    }

    // Each state goes through a file into another window's real box, which a
    // click then toggles: a greyed box counts as not chosen.
    void statesSurviveAFileAndAClickChecksAGreyedBox_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("afterClick");
        QTest::newRow("unchecked") << int(OptionPanel::unchecked) << int(OptionPanel::checked);
        QTest::newRow("checked") << int(OptionPanel::checked) << int(OptionPanel::unchecked);
        QTest::newRow("greyed") << int(OptionPanel::greyed) << int(OptionPanel::checked);
    }
    void statesSurviveAFileAndAClickChecksAGreyedBox()
    {
        QFETCH(int, state);
        QFETCH(int, afterClick);
        WindowRig rig;
        rig.fileDialog.answer = rig.folder.filePath(QStringLiteral("options"));
        rig.window->setCheckState(3, qint16(state));
        rig.child<QAction>("Save")->trigger();

        WindowRig other;
        other.fileDialog.answer = rig.fileDialog.answer;
        other.child<QAction>("Load")->trigger();
        QCOMPARE(other.window->checkState(3), state);
        QCOMPARE(other.window->checkState(56), OptionPanel::checked); // set by the save
        other.child<QCheckBox>("Check3")->click();
        QCOMPARE(other.window->checkState(3), afterClick);
        QVERIFY(other.messages.shown.isEmpty());
    }

    // One dialog at a time. Its OK closes the link by the old mode, stores
    // both texts, clears BaseFound and opens the link again, told while the
    // dialog is still shown; then the window closes the dialog. Closing the
    // window closes it too.
    void serialDialogOkReopensTheLink()
    {
        WindowRig rig;
        rig.window->load();
        rig.child<QAction>("SerialConf")->trigger();
        QPointer<Form2> dialog = rig.window->serialDialog();
        dialog->comPortField()->setEditText(QStringLiteral("COM14"));
        rig.child<QAction>("SerialConf")->trigger();
        QCOMPARE(rig.window->serialDialog(), dialog.data());
        rig.link.log.clear();
        rig.link.radioInitResult = 1;
        QStringList storedWhenTold;
        rig.messages.onShow = [&](const QString &) {
            storedWhenTold << rig.store.comPort() << (dialog->isVisible() ? "shown" : "hidden");
        };
        dialog->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        QCOMPARE(rig.link.log,
            (QStringList {"radio_close()", "InitializeComm(4, 19200)", "radio_set_baudrate(19200)",
                "radio_init(4, 1, 65535, 0)"}));
        QCOMPARE(storedWhenTold, (QStringList {"COM14", "shown"}));
        QVERIFY(!rig.settings.baseStationMode());
        QTRY_VERIFY(!dialog);

        rig.child<QAction>("SerialConf")->trigger();
        dialog = rig.window->serialDialog();
        QCOMPARE(dialog->comPortField()->currentText(), QStringLiteral("COM14"));
        rig.window->close();
        QTRY_VERIFY(!dialog);
    }

    // Text1 takes two typed characters, Text3 any number. A text is loaded,
    // typed ("\b": a backspace), pasted at the cursor, and then read.
    void typingIsLimitedLoadingIsNot_data()
    {
        QTest::addColumn<int>("textNumber");
        QTest::addColumn<QStringList>("texts"); // loaded, typed, pasted, read
        QTest::newRow("typing stops at two") << 1 << QStringList {"", "123", "", "12"};
        QTest::newRow("a field without a limit") << 3 << QStringList {"", "123", "", "123"};
        QTest::newRow("paste cut to the room left") << 1 << QStringList {"", "1", "abc", "1a"};
        QTest::newRow("loaded text kept whole") << 1 << QStringList {"1234", "", "", "1234"};
        QTest::newRow("loaded text shrinks, never grows")
            << 1 << QStringList {"1234", "\b9", "5", "123"};
    }
    void typingIsLimitedLoadingIsNot()
    {
        QFETCH(int, textNumber);
        QFETCH(QStringList, texts);
        WindowRig rig;
        rig.window->setLengthText(textNumber, texts[0]);
        auto *edit = rig.window->findChild<QLineEdit *>(QStringLiteral("Text%1").arg(textNumber));
        QTest::keyClicks(edit, texts[1]);
        edit->insert(texts[2]);
        QCOMPARE(rig.window->lengthText(textNumber), texts[3]);
    }

    // Assistive tools tell every control of the main window from every other,
    // and name each list of the dialog by its label, not by the value it holds
    // (on Linux, Qt names an editable list by its value and leaves the label
    // to the "labelled by" relation).
    void everyControlHasADistinctAccessibleName()
    {
        WindowRig rig;
        QStringList names;
        for (QWidget *widget : rig.window->findChildren<QWidget *>()) {
            if (widget->focusPolicy() != Qt::NoFocus && !widget->inherits("QMenu"))
                names << QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
        }
        QCOMPARE(names.size(), 73); // 60 boxes, 11 fields, 2 buttons
        QVERIFY(!names.contains(QString()));
        names.removeDuplicates();
        QCOMPARE(names.size(), 73);

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
};

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
