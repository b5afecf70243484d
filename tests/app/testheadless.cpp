#include "app/dlgipaddress.h"
#include "app/frmexcel.h"
#include "app/headlessprompter.h"
#include "platform/prompter.h"
#include "platform/settings.h"
#include "support/testenvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

using namespace platform;

class TestHeadless final : public QObject
{
    Q_OBJECT

private slots:
    void lacksDisplay_data()
    {
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<QByteArray>("wayland");
        QTest::addColumn<QByteArray>("platform");
        QTest::addColumn<bool>("expected");
        QTest::newRow("nothing set") << QByteArray() << QByteArray() << QByteArray() << true;
        QTest::newRow("X display") << QByteArray(":0") << QByteArray() << QByteArray() << false;
        QTest::newRow("Wayland display") << QByteArray() << QByteArray("wayland-0") << QByteArray() << false;
        // A platform somebody chose is theirs to answer for, offscreen included.
        QTest::newRow("platform chosen") << QByteArray() << QByteArray() << QByteArray("offscreen") << false;
        QTest::newRow("everything set") << QByteArray(":0") << QByteArray("wayland-0") << QByteArray("xcb") << false;
    }

    void lacksDisplay()
    {
        QFETCH(QByteArray, display);
        QFETCH(QByteArray, wayland);
        QFETCH(QByteArray, platform);
        QFETCH(bool, expected);
        QCOMPARE(app::lacksDisplay(display, wayland, platform), expected);
    }

    void boxesAreWrittenAndAnsweredWithTheirDefault_data()
    {
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("ownTitle");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("written");

        QTest::newRow("confirmation")
            << QStringLiteral(
                   "You have selected  >UNITS<.  This will pass the data in Tally.\r\n Do you want to continue?")
            << (MsgBoxStyle::Information | MsgBoxStyle::YesNo) << true << MsgBoxResult::Yes
            << QStringLiteral("[Pelko 1.0. Continue?] You have selected  >UNITS<.  This will pass the data in "
                              "Tally.\n Do you want to continue?\n(answered Yes)\n");
        QTest::newRow("second button by default")
            << QStringLiteral("Go on?") << (MsgBoxStyle::YesNo | MsgBoxStyle::DefaultButton2) << true
            << MsgBoxResult::No << QStringLiteral("[Pelko 1.0. Continue?] Go on?\n(answered No)\n");
        QTest::newRow("no title of its own") << QStringLiteral("Report has been saved at following location.\r\n/x.txt")
                                             << MsgBoxStyle::OkOnly << false << MsgBoxResult::Ok
                                             << QStringLiteral("[Pelko] Report has been saved at following "
                                                               "location.\n/x.txt\n(answered OK)\n");
    }

    void boxesAreWrittenAndAnsweredWithTheirDefault()
    {
        QFETCH(QString, prompt);
        QFETCH(int, style);
        QFETCH(bool, ownTitle);
        QFETCH(int, answer);
        QFETCH(QString, written);
        QString output;
        app::HeadlessPrompter prompter([&](const QString &text) { output += text; });
        MessageBoxRequest request{prompt, style, std::nullopt};
        if (ownTitle)
            request.title = QStringLiteral("Pelko 1.0. Continue?");
        QCOMPARE(prompter.message(request), answer);
        QCOMPARE(output, written);
    }

    void fileDialogsAreCancelled()
    {
        QString output;
        app::HeadlessPrompter prompter([&](const QString &text) { output += text; });
        QCOMPARE(prompter.openFile({QStringLiteral(".xls"), QStringLiteral(" "), QStringLiteral("x|*.xls"), 3}),
                 QStringLiteral(" "));
        QVERIFY(output.contains(QLatin1String("cancelled")));
    }

    void dialogsCloseThemselves()
    {
        // Missing server settings open the settings dialog; without a display nobody can close it.
        testsupport::TestEnvironment environment;
        QString output;
        app::HeadlessPrompter prompter([&](const QString &text) { output += text; });
        app::HeadlessDialogGuard guard([&](const QString &text) { output += text; });
        setPrompter(&prompter);
        qApp->installEventFilter(&guard);

        QElapsedTimer clock;
        clock.start();
        {
            app::frmExcel window;
            window.cmdRefresh_Click();
        }
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(output, QStringLiteral("[Set Tally Server Address & port] dialog cancelled: no display\n"));
        QCOMPARE(readConfig(QLatin1String(settingServerAddress)), QString());

        app::dlgIPAddress dialog;
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));

        qApp->removeEventFilter(&guard);
        setPrompter(nullptr);
    }
};

QTEST_MAIN(TestHeadless)
#include "testheadless.moc"
