#include "app/frmabout.h"
#include "platform/prompter.h"
#include "support/scriptedprompter.h"
#include "support/testbed.h"
#include "support/testenvironment.h"
#include "support/texts.h"
#include "windowhelpers.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

using app::frmAbout;
using testsupport::ScriptedPrompter;
using testsupport::TestEnvironment;

namespace {

using apptest::doubleClick;
using testsupport::strings;

const QString unavailable = QStringLiteral("System Information Is Unavailable At This Time");

void storeToolPath(const QString &path)
{
    app::setSystemToolsValue(app::HKEY_LOCAL_MACHINE, QLatin1String(app::gREGKEYSYSINFO),
                             QLatin1String(app::gREGVALSYSINFO), path);
}

void storeToolFolder(const QString &folder)
{
    app::setSystemToolsValue(app::HKEY_LOCAL_MACHINE, QLatin1String(app::gREGKEYSYSINFOLOC),
                             QLatin1String(app::gREGVALSYSINFOLOC), folder);
}

} // namespace

class TestFrmAbout final : public testsupport::TestBed<>
{
    Q_OBJECT

private slots:
    void init() { startBed(); }

    void cleanup() { stopBed(); }

    void showsTitleVersionAndPurpose()
    {
        frmAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Pelko"));
        QCOMPARE(about.findChild<QLabel *>(QStringLiteral("lblTitle"))->text(), QStringLiteral("Pelko"));
        QCOMPARE(about.findChild<QLabel *>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version 1.0.0"));
        QCOMPARE(about.findChild<QLabel *>(QStringLiteral("lblDescription"))->text(),
                 QStringLiteral("It is a software utility for end-users that allows you to Import data into Tally "
                                "Software from various sources like Excel, SQL-Server, MySQL, Access, Visual Foxpro, "
                                "DBase etc."));
        QCOMPARE(about.findChild<QPlainTextEdit *>(QStringLiteral("Text1"))->toPlainText(),
                 QPlainTextEdit(frmAbout::contactText()).toPlainText());
        QCOMPARE(frmAbout::contactText().split(QStringLiteral("\r\n")).size(), 4);
        QVERIFY(!about.findChild<QLabel *>(QStringLiteral("Picture1"))->pixmap().isNull());
        QVERIFY(about.findChild<QFrame *>(QStringLiteral("Line1(0)")));
        QVERIFY(about.findChild<QFrame *>(QStringLiteral("Line1(1)")));
        QCOMPARE(about.findChild<QPushButton *>(QStringLiteral("cmdOK"))->text(), QStringLiteral("OK"));
        QCOMPARE(about.findChild<QPushButton *>(QStringLiteral("cmdSysInfo"))->text(),
                 QStringLiteral("&System Info..."));

        about.show();
        QTest::mouseClick(about.findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void keyStoreStandIn()
    {
        QString value = QStringLiteral("stale");
        QVERIFY(!app::GetKeyValue(app::HKEY_LOCAL_MACHINE, QLatin1String(app::gREGKEYSYSINFO),
                                  QLatin1String(app::gREGVALSYSINFO), value));
        QCOMPARE(value, QString());

        storeToolPath(QStringLiteral("/opt/tools/sysinfo"));
        QVERIFY(app::GetKeyValue(app::HKEY_LOCAL_MACHINE, QLatin1String(app::gREGKEYSYSINFO),
                                 QLatin1String(app::gREGVALSYSINFO), value));
        QCOMPARE(value, QStringLiteral("/opt/tools/sysinfo"));
        QCOMPARE(app::systemToolsKey(app::HKEY_LOCAL_MACHINE, QLatin1String(app::gREGKEYSYSINFO),
                                     QLatin1String(app::gREGVALSYSINFO)),
                 QStringLiteral("HKEY_LOCAL_MACHINE/SOFTWARE/Microsoft/Shared Tools/MSINFO/PATH"));
        // Another root is another key.
        QVERIFY(!app::GetKeyValue(app::HKEY_CURRENT_USER, QLatin1String(app::gREGKEYSYSINFO),
                                  QLatin1String(app::gREGVALSYSINFO), value));
    }

    void systemInfo_data()
    {
        QTest::addColumn<QString>("path");        // first location, "-" for none
        QTest::addColumn<QString>("folder");      // second location, "-" for none
        QTest::addColumn<bool>("toolInFolder");   // whether the folder holds MSINFO32.EXE
        QTest::addColumn<bool>("starts");         // whether starting a program succeeds
        QTest::addColumn<QStringList>("started"); // programs the box tried to start ("@" = the test folder)
        QTest::addColumn<bool>("box");

        QTest::newRow("no tool anywhere") << "-"
                                          << "-" << false << true << QStringList() << true;
        QTest::newRow("path started") << "/opt/sysinfo"
                                      << "-" << false << true << strings({"/opt/sysinfo"}) << false;
        QTest::newRow("path that cannot start, folder not tried")
            << "/missing/sysinfo"
            << "@" << true << false << strings({"/missing/sysinfo"}) << true;
        QTest::newRow("empty path") << ""
                                    << "-" << false << false << strings({""}) << true;
        QTest::newRow("folder with the tool") << "-"
                                              << "@" << true << true << strings({"@/MSINFO32.EXE"}) << false;
        QTest::newRow("folder without the tool") << "-"
                                                 << "@" << false << true << QStringList() << true;
        QTest::newRow("folder tool that cannot start") << "-"
                                                       << "@" << true << false << strings({"@/MSINFO32.EXE"}) << true;
    }

    void systemInfo()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(bool, toolInFolder);
        QFETCH(bool, starts);
        QFETCH(QStringList, started);
        QFETCH(bool, box);

        const QString toolFolder = m_env->programFile(QStringLiteral("tools"));
        QVERIFY(QDir().mkpath(toolFolder));
        if (toolInFolder) {
            QFile tool(toolFolder + QStringLiteral("/MSINFO32.EXE"));
            QVERIFY(tool.open(QIODevice::WriteOnly));
        }
        if (path != QLatin1String("-"))
            storeToolPath(path);
        if (folder != QLatin1String("-"))
            storeToolFolder(toolFolder);

        frmAbout about;
        QStringList tried;
        about.setProgramStarter([&](const QString &program) {
            tried << program;
            return starts;
        });
        QTest::mouseClick(about.findChild<QPushButton *>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);

        started.replaceInStrings(QStringLiteral("@"), toolFolder);
        QCOMPARE(tried, started);
        QCOMPARE(m_prompter->boxes().size(), box ? 1 : 0);
        if (box) {
            const ScriptedPrompter::Box &shown = m_prompter->boxes().first();
            QCOMPARE(shown.prompt, unavailable);
            QCOMPARE(shown.style, platform::MsgBoxStyle::OkOnly);
            QVERIFY(!shown.hasOwnTitle);
        }
    }

    void contactBoxWipesAndRefills()
    {
        frmAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        auto *text = about.findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
        const QString contacts = text->toPlainText();
        text->setFocus();

        // A double click without Ctrl held does nothing.
        doubleClick(text->viewport());
        QCOMPARE(text->toPlainText(), contacts);

        // Typing empties the box.
        QTest::keyClick(text, Qt::Key_A);
        QCOMPARE(text->toPlainText(), QString());
        QVERIFY(!about.refillFlag());

        // Ctrl held and a double click bring the lines back; releasing Ctrl empties the box again.
        QTest::keyPress(text, Qt::Key_Control, Qt::ControlModifier);
        QVERIFY(about.refillFlag());
        doubleClick(text->viewport());
        QCOMPARE(text->toPlainText(), contacts);
        QTest::keyRelease(text, Qt::Key_Control);
        QVERIFY(!about.refillFlag());
        QCOMPARE(text->toPlainText(), QString());

        // Ctrl with Shift is no longer Ctrl alone.
        text->setPlainText(contacts);
        QTest::keyPress(text, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!about.refillFlag());
        QCOMPARE(text->toPlainText(), QString());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "testfrmabout.moc"
