#include "support/reportederrors.h"
#include "support/testbed.h"
#include "tally/responsesummary.h"

#include <QTest>

#include <memory>

using tally::ParseTallyResponse;

class TestResponseSummary final : public testsupport::TestBed<>
{
    Q_OBJECT

private slots:
    void init() { startBed(); }
    void cleanup() { stopBed(); }

    void summary_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("summary");

        auto response = [](const char *children) -> QString {
            return QStringLiteral("<RESPONSE>") + QString::fromUtf8(children) + QStringLiteral("</RESPONSE>");
        };
        QTest::newRow("created") << response("<CREATED>1</CREATED><ALTERED>0</ALTERED><COMBINED>0</COMBINED>"
                                             "<IGNORED>0</IGNORED>")
                                 << "CREATED";
        QTest::newRow("altered") << response("<CREATED>0</CREATED><ALTERED>1</ALTERED><COMBINED>0</COMBINED>")
                                 << "ALTERED";
        QTest::newRow("combined") << response("<CREATED>0</CREATED><ALTERED>0</ALTERED><COMBINED>1</COMBINED>")
                                  << "COMBINED";
        QTest::newRow("nothing set") << response("<CREATED>0</CREATED><ALTERED>0</ALTERED><COMBINED>0</COMBINED>")
                                     << "0";
        QTest::newRow("newest name first") << response("<CREATED>1</CREATED><ALTERED>1</ALTERED>") << "ALTERED CREATED";
        QTest::newRow("further counter set")
            << response("<CREATED>1</CREATED><ALTERED>0</ALTERED><ERRORS>1</ERRORS>") << "ERRORS CREATED";
        QTest::newRow("line error seeds and repeats")
            << response("<LINEERROR>X</LINEERROR><CREATED>0</CREATED><ALTERED>0</ALTERED><ERRORS>1</ERRORS>")
            << "ERRORS XX - ";
        QTest::newRow("two line errors") << response(
                                                "<LINEERROR>A</LINEERROR><LINEERROR>B</LINEERROR><ERRORS>1</ERRORS>")
                                         << "ERRORS AA - B - ";
        QTest::newRow("seed 0 replaced") << response("<CREATED>0</CREATED><ERRORS>1</ERRORS>") << "ERRORS";
        QTest::newRow("only the text 1") << response("1") << response("1");
        QTest::newRow("message text") << response("TallyPrime Server is Running") << "TallyPrime Server is Running";
        QTest::newRow("empty RESPONSE") << "<RESPONSE/>"
                                        << "<RESPONSE/>";
        QTest::newRow("empty RESPONSE beside a full one")
            << "<ENVELOPE><RESPONSE/><RESPONSE><CREATED>0</CREATED><ALTERED>1</ALTERED></RESPONSE></ENVELOPE>"
            << "ALTERED";
        QTest::newRow("no RESPONSE") << "<ENVELOPE><STATUS>0</STATUS></ENVELOPE>"
                                     << "<ENVELOPE><STATUS>0</STATUS></ENVELOPE>";
        QTest::newRow("empty reply") << ""
                                     << "";
        QTest::newRow("not XML") << "Internal Server Error"
                                 << "Internal Server Error";
        // A lenient parser would find the RESPONSE here; an XML parser refuses the text, and so do we.
        QTest::newRow("text before the root") << "HTTP/1.1 <RESPONSE><CREATED>1</CREATED></RESPONSE>"
                                              << "HTTP/1.1 <RESPONSE><CREATED>1</CREATED></RESPONSE>";
        QTest::newRow("ill-formed") << "<RESPONSE><CREATED>1</CREATED>"
                                    << "<RESPONSE><CREATED>1</CREATED>";

        // Tally's own layout: every counter on its own line, which parsing must not count as children.
        QTest::newRow("Tally's full import reply")
            << "<RESPONSE>\r\n <CREATED>0</CREATED>\r\n <ALTERED>1</ALTERED>\r\n <DELETED>0</DELETED>\r\n"
               " <LASTVCHID>0</LASTVCHID>\r\n <LASTMID>0</LASTMID>\r\n <COMBINED>0</COMBINED>\r\n"
               " <IGNORED>0</IGNORED>\r\n <ERRORS>0</ERRORS>\r\n <CANCELLED>0</CANCELLED>\r\n"
               " <EXCEPTIONS>0</EXCEPTIONS>\r\n</RESPONSE>\r\n"
            << "ALTERED";
        QTest::newRow("escaped error text comes back plain")
            << "<ENVELOPE><BODY><RESPONSE><LINEERROR>Ledger &apos;A &amp; B&apos; does not exist!</LINEERROR>"
               "<CREATED>0</CREATED><ERRORS>1</ERRORS></RESPONSE></BODY></ENVELOPE>"
            << "ERRORS Ledger 'A & B' does not exist!Ledger 'A & B' does not exist! - ";
        QTest::newRow("counter names keep their case") << response("<created>1</created>") << "created";
        QTest::newRow("RESPONSE is matched exactly") << "<response><CREATED>1</CREATED></response>"
                                                     << "<response><CREATED>1</CREATED></response>";
        QTest::newRow("prefixed counter by its local name")
            << "<RESPONSE xmlns:t=\"urn:t\"><t:CREATED>1</t:CREATED></RESPONSE>"
            << "CREATED";
        QTest::newRow("a counter of 1 with blanks is not set") << response("<CREATED> 1 </CREATED>") << " 1 ";
        QTest::newRow("non-ASCII text") << response("<LINEERROR>Ŝtock ‘Ärger’ €</LINEERROR>")
                                        << "Ŝtock ‘Ärger’ €Ŝtock ‘Ärger’ € - ";
    }
    void summary()
    {
        QFETCH(QString, reply);
        QFETCH(QString, summary);
        QCOMPARE(ParseTallyResponse(reply), summary);
        // The master builders summarise a summary once more and must get it back as it was.
        QCOMPARE(ParseTallyResponse(summary), summary);
        QVERIFY(m_prompter->boxes().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestResponseSummary)
#include "testresponsesummary.moc"
