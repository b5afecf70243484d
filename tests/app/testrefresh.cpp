#include "app/dlgipaddress.h"
#include "app/frmexcel.h"
#include "app/modcommandl.h"
#include "controls/buttonwindow.h"
#include "modalhelper.h"
#include "platform/prompter.h"
#include "platform/settings.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testbed.h"
#include "support/testenvironment.h"
#include "support/texts.h"
#include "windowhelpers.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using app::frmExcel;
using testsupport::ScriptedPrompter;
using testsupport::SimulatedServer;
using testsupport::TestEnvironment;

namespace {

using apptest::entries;
using testsupport::strings;

QString config(const char *key)
{
    return platform::readConfig(QLatin1String(key));
}

// A server on the test's own thread whose replies a test chooses per query: the probe, the version query,
// the company list and the current company. An empty reply closes the connection without answering.
class QueryServer final : public QObject
{
public:
    QByteArray versionReply = "<RESPONSE>TallyPrime Server is Running</RESPONSE>";
    QByteArray companyListReply;
    QByteArray currentCompanyReply;

    QueryServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    void configureSettings() const
    {
        platform::writeConfig(QLatin1String(platform::settingServerAddress), QStringLiteral("127.0.0.1"));
        platform::writeConfig(QLatin1String(platform::settingPortNo), QString::number(m_server.serverPort()));
    }

private:
    void serve(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        qsizetype length = 0;
        for (const QByteArray &line : buffer.left(headerEnd).split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (buffer.size() < headerEnd + 4 + length)
            return;
        const QByteArray body = buffer.mid(headerEnd + 4, length);
        const bool probe = buffer.startsWith("GET");
        m_buffers.remove(socket);

        QByteArray reply;
        if (probe || body.isEmpty())
            reply = probe ? QByteArray("<RESPONSE>TallyPrime Server is Running</RESPONSE>") : versionReply;
        else if (body.contains("List of Companies"))
            reply = companyListReply;
        else
            reply = currentCompanyReply;
        if (reply.isEmpty()) {
            socket->abort();
            return;
        }
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\nContent-Length: " +
                      QByteArray::number(reply.size()) + "\r\n\r\n" + reply);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};

// Fills the settings dialog and presses OK, or presses Cancel when server is not given.
void answerSettingsDialog(QWidget *dialog, const std::optional<QPair<QString, QString>> &values, int *shown = nullptr)
{
    if (shown)
        ++*shown;
    if (!values) {
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("CancelButton")), Qt::LeftButton);
        return;
    }
    auto *server = dialog->findChild<QLineEdit *>(QStringLiteral("txtServer"));
    auto *port = dialog->findChild<QLineEdit *>(QStringLiteral("txtPort"));
    server->clear();
    port->clear();
    QTest::keyClicks(server, values->first);
    QTest::keyClicks(port, values->second);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("OKButton")), Qt::LeftButton);
}

} // namespace

class TestRefresh final : public testsupport::TestBed<frmExcel>
{
    Q_OBJECT

private slots:
    void init()
    {
        startBed();
        m_window = std::make_unique<frmExcel>();
        m_window->prepareWindow(app::CommandLine::read(QString()));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_companies = m_window->findChild<QComboBox *>(QStringLiteral("cmbCurrentCompanyList"));
    }

    void cleanup() { stopBed(); }

    void missingSettingsOpenTheDialogOnly()
    {
        SimulatedServer server({{QStringLiteral("Acme")}, QStringLiteral("Acme")});
        QString caption;
        QWidget *owner = nullptr;
        apptest::whenModalShows([&](QWidget *dialog) {
            caption = dialog->windowTitle();
            owner = dialog->parentWidget();
            QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("txtServer"))->text(), QString());
            QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("txtPort"))->text(), QString());
            answerSettingsDialog(dialog, QPair{QStringLiteral("127.0.0.1"), QString::number(server.port())});
        });
        clickRefresh();

        QCOMPARE(caption, QStringLiteral("Set Tally Server Address & port"));
        QCOMPARE(owner, m_window.get());
        QCOMPARE(config(platform::settingServerAddress), QStringLiteral("127.0.0.1"));
        QCOMPARE(config(platform::settingPortNo), QString::number(server.port()));
        // The refresh is not repeated with what was entered.
        QVERIFY(server.requests().isEmpty());
        QCOMPARE(m_companies->count(), 0);
        QCOMPARE(m_window->panelText(QStringLiteral("msg")), QString());
        QVERIFY(m_prompter->boxes().isEmpty());

        // The next Refresh uses them.
        clickRefresh();
        QCOMPARE(entries(m_companies), QStringList{QStringLiteral("Acme")});
    }

    void optionsCancelledWithoutSettingsAsksTwice()
    {
        int shown = 0;
        apptest::whenModalShows([&](QWidget *dialog) {
            answerSettingsDialog(dialog, std::nullopt, &shown);
            apptest::whenModalShows([&](QWidget *second) { answerSettingsDialog(second, std::nullopt, &shown); });
        });
        m_window->findChild<QAction *>(QStringLiteral("mnuOptions"))->trigger();
        QCOMPARE(shown, 2);
        QCOMPARE(config(platform::settingServerAddress), QString());
        QVERIFY(m_prompter->boxes().isEmpty());
        QVERIFY(!QApplication::activeModalWidget());
    }

    void optionsThenRefreshWithWhatWasSaved()
    {
        SimulatedServer server({{QStringLiteral("Acme"), QStringLiteral("Zenith")}, QStringLiteral("Zenith")});
        apptest::whenModalShows([&](QWidget *dialog) {
            answerSettingsDialog(dialog, QPair{QStringLiteral("127.0.0.1"), QString::number(server.port())});
        });
        m_window->findChild<QAction *>(QStringLiteral("mnuOptions"))->trigger();
        QCOMPARE(entries(m_companies), (QStringList{QStringLiteral("Acme"), QStringLiteral("Zenith")}));
        QCOMPARE(m_window->companyListText(), QStringLiteral("Zenith"));
    }

    void serverDown()
    {
        SimulatedServer server({{QStringLiteral("Acme")}, QStringLiteral("Acme")});
        server.configureSettings();
        server.stop();
        m_companies->addItem(QStringLiteral("Earlier"));
        m_window->currentCompany() = QStringLiteral("Earlier");

        clickRefresh();

        QCOMPARE(m_prompter->boxes().size(), 1);
        const ScriptedPrompter::Box &box = m_prompter->boxes().first();
        QCOMPARE(box.prompt, QStringLiteral("Tally is not running."));
        QCOMPARE(box.title, QStringLiteral("Tally Search."));
        QCOMPARE(box.style, platform::MsgBoxStyle::Critical | platform::MsgBoxStyle::OkOnly);
        QCOMPARE(m_window->panelText(QStringLiteral("stat")), QStringLiteral("Tally is not running."
                                                                             "........."));
        QCOMPARE(m_window->panelText(QStringLiteral("msg")), QStringLiteral("Initializing Tally Engine........."));
        QCOMPARE(entries(m_companies), QStringList{QStringLiteral("Earlier")});
        QCOMPARE(m_window->currentCompany(), QStringLiteral("Earlier"));
    }

    void companies_data()
    {
        QTest::addColumn<QStringList>("companies");
        QTest::addColumn<QString>("open");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("selected");

        QTest::newRow("one company") << strings({"Acme"}) << "Acme" << strings({"Acme"}) << "Acme";
        QTest::newRow("several companies") << strings({"Acme", "Jacks Stores", "Zenith & Co"}) << "Jacks Stores"
                                           << strings({"Acme", "Jacks Stores", "Zenith & Co"}) << "Jacks Stores";
        QTest::newRow("no company open") << strings({"Acme", "Zenith"}) << "" << strings({"Acme", "Zenith"}) << "";
        QTest::newRow("no company at all") << QStringList() << "" << strings({""}) << "";
        // A company whose name holds ERROR is listed like any other.
        QTest::newRow("company named ERROR") << strings({"Acme", "ERROR Traders"}) << "ERROR Traders"
                                             << strings({"Acme", "ERROR Traders"}) << "ERROR Traders";
    }

    void companies()
    {
        QFETCH(QStringList, companies);
        QFETCH(QString, open);
        QFETCH(QStringList, listed);
        QFETCH(QString, selected);

        SimulatedServer server({companies, open});
        server.configureSettings();
        m_companies->addItem(QStringLiteral("Earlier"));

        clickRefresh();

        QVERIFY(m_prompter->boxes().isEmpty());
        QCOMPARE(entries(m_companies), listed);
        QCOMPARE(m_window->companyListText(), selected);
        QCOMPARE(m_window->currentCompany(), open);
        QCOMPARE(m_window->panelText(QStringLiteral("msg")), QString());
        QVERIFY(m_window->panelText(QStringLiteral("stat")).endsWith(QLatin1String(".........")));
        QVERIFY(m_window->panelText(QStringLiteral("stat")).size() > 9);
    }

    void replyWithoutCompaniesThatSaysError()
    {
        tallysim::Config setup;
        setup.mode = tallysim::Mode::HttpError;
        setup.errorStatus = 200;
        setup.errorBody =
            "<ENVELOPE><BODY><DATA><LINEERROR>Could not find Company</LINEERROR></DATA></BODY></ENVELOPE>";
        SimulatedServer server(setup);
        server.configureSettings();

        clickRefresh();

        QCOMPARE(m_prompter->boxes().size(), 1);
        const ScriptedPrompter::Box &box = m_prompter->boxes().first();
        QCOMPARE(box.prompt, QStringLiteral("Tally is running.\r\nBut, could not find company.\r\n\r\n"
                                            "Please Check the following settings.\r\n"
                                            "1. Company is Selected in Tally.\r\n"
                                            "2. Tally is showing some text as \"ODBC\" in the Calculator Window.\r\n"
                                            "3. You have specified correct Server Address and Port Number in Harlo "
                                            "menu Main > Options. \r\n"));
        QCOMPARE(box.title, QStringLiteral("Pelko 1.0"));
        QCOMPARE(box.style, platform::MsgBoxStyle::Critical | platform::MsgBoxStyle::OkOnly);
        QCOMPARE(m_window->panelText(QStringLiteral("msg")), QStringLiteral("Could not find company."
                                                                            "........."));
        QCOMPARE(entries(m_companies), QStringList{QString()});
        QCOMPARE(m_companies->currentIndex(), -1);
    }

    void currentCompanyMissingFromTheList()
    {
        QueryServer server;
        server.companyListReply = "<ENVELOPE><COMPANYNAME>Acme</COMPANYNAME><COMPANYNAME>Zenith</COMPANYNAME>"
                                  "</ENVELOPE>";
        server.currentCompanyReply = "<ENVELOPE><SVCURRENTCOMPANY>Ghost Ltd</SVCURRENTCOMPANY></ENVELOPE>";
        server.configureSettings();

        clickRefresh();

        QVERIFY(m_prompter->boxes().isEmpty());
        QCOMPARE(entries(m_companies), (QStringList{QStringLiteral("Acme"), QStringLiteral("Zenith")}));
        QCOMPARE(m_companies->currentIndex(), -1);
        QCOMPARE(m_window->currentCompany(), QStringLiteral("Ghost Ltd"));
        QCOMPARE(m_window->panelText(QStringLiteral("msg")), QString());
    }

    void currentCompanySelectedIgnoringCase()
    {
        QueryServer server;
        server.companyListReply = "<ENVELOPE><COMPANYNAME>Acme</COMPANYNAME></ENVELOPE>";
        server.currentCompanyReply = "<ENVELOPE><SVCURRENTCOMPANY>ACME</SVCURRENTCOMPANY></ENVELOPE>";
        server.configureSettings();

        clickRefresh();

        QCOMPARE(m_window->companyListText(), QStringLiteral("Acme"));
        QCOMPARE(m_window->currentCompany(), QStringLiteral("ACME"));
    }

    void versionQueryFails()
    {
        QueryServer server;
        server.versionReply.clear();
        server.configureSettings();
        m_companies->addItem(QStringLiteral("Earlier"));
        m_window->stat(QStringLiteral("old"), QStringLiteral("stat"));

        clickRefresh();

        QVERIFY(m_prompter->boxes().isEmpty());
        QCOMPARE(m_window->panelText(QStringLiteral("stat")), QString());
        QCOMPARE(m_window->panelText(QStringLiteral("msg")), QStringLiteral("Checking Tally Version........."));
        QCOMPARE(entries(m_companies), QStringList{QStringLiteral("Earlier")});
    }

    void settingsDialogSavesExactlyWhatWasTyped_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("port");
        QTest::newRow("plain") << "127.0.0.1"
                               << "9000";
        QTest::newRow("blanks kept") << "  tally.local "
                                     << " 90 00 ";
        QTest::newRow("no number check") << "host,with;odd=chars"
                                         << "nine, thousand";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("quotes and backslash") << "\"q\"\\x"
                                              << "'9'";
    }

    void settingsDialogSavesExactlyWhatWasTyped()
    {
        QFETCH(QString, server);
        QFETCH(QString, port);
        platform::writeConfig(QLatin1String(platform::settingServerAddress), QStringLiteral("old-host"));
        platform::writeConfig(QLatin1String(platform::settingPortNo), QStringLiteral("1234"));

        app::dlgIPAddress dialog;
        QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("txtServer"))->text(), QStringLiteral("old-host"));
        QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("txtPort"))->text(), QStringLiteral("1234"));
        dialog.findChild<QLineEdit *>(QStringLiteral("txtServer"))->setText(server);
        dialog.findChild<QLineEdit *>(QStringLiteral("txtPort"))->setText(port);
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("OKButton")), Qt::LeftButton);

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(config(platform::settingServerAddress), server);
        QCOMPARE(config(platform::settingPortNo), port);
        // A fresh dialog shows the same texts again.
        app::dlgIPAddress again;
        QCOMPARE(again.findChild<QLineEdit *>(QStringLiteral("txtServer"))->text(), server);
        QCOMPARE(again.findChild<QLineEdit *>(QStringLiteral("txtPort"))->text(), port);
    }

    void settingsDialogCancelSavesNothing()
    {
        platform::writeConfig(QLatin1String(platform::settingServerAddress), QStringLiteral("old-host"));
        app::dlgIPAddress dialog;
        dialog.findChild<QLineEdit *>(QStringLiteral("txtServer"))->setText(QStringLiteral("new-host"));
        dialog.findChild<QLineEdit *>(QStringLiteral("txtPort"))->setText(QStringLiteral("9000"));
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("CancelButton")), Qt::LeftButton);

        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(config(platform::settingServerAddress), QStringLiteral("old-host"));
        QCOMPARE(config(platform::settingPortNo), QString());
    }

    void settingsDialogTexts()
    {
        app::dlgIPAddress dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Set Tally Server Address & port"));
        QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("OKButton"))->text(), QStringLiteral("OK"));
        QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("CancelButton"))->text(), QStringLiteral("Cancel"));
        const QString hint = dialog.findChild<QPlainTextEdit *>(QStringLiteral("Text3"))->toPlainText();
        QCOMPARE(hint.split(QLatin1Char('\n')),
                 (strings({"The Default values are  as follows", "-For Server Address running on local machince ",
                           "    Server Address: 127.0.0.1", "    Port Number: 9000",
                           "-For Server Address running on network machince ",
                           "    Server Address: 190.168.0.XXX or other", "    Port Number: 9000 or other"})));
    }

private:
    void clickRefresh()
    {
        QTest::mouseClick(m_window->findChild<controls::ButtonWindow *>(QStringLiteral("cmdRefresh")), Qt::LeftButton);
    }

    QComboBox *m_companies = nullptr;
};

QTEST_MAIN(TestRefresh)
#include "testrefresh.moc"
