#include "support/reportederrors.h"
#include "support/testbed.h"
#include "tally/envelope.h"
#include "tally/tallyconstants.h"
#include "tally/xmlindent.h"
#include "tally/xmltext.h"

#include "errors/errortrap.h"

#include <QTest>

#include <functional>
#include <memory>

using namespace tally;
using testsupport::reportedError;
using testsupport::reportedErrors;

// One misuse of the request writer; what a call that stands for a document function returned.
using Misuse = std::function<bool(ImportRequestWriter &)>;
Q_DECLARE_METATYPE(Misuse)

namespace {

enum Routine
{
    Element,
    ElementIfValue,
    Attribute
};

QString envelopeXml(const QString &staticVariables)
{
    const QString variables = staticVariables.isEmpty() ? QStringLiteral("<STATICVARIABLES/>")
                                                        : QStringLiteral("<STATICVARIABLES>") + staticVariables +
                                                              QStringLiteral("</STATICVARIABLES>");
    return QStringLiteral("<ENVELOPE><HEADER><TALLYREQUEST> Import Data </TALLYREQUEST></HEADER><BODY><IMPORTDATA>"
                          "<REQUESTDESC><REPORTNAME>All Masters</REPORTNAME>") +
           variables + QStringLiteral("</REQUESTDESC><REQUESTDATA/></IMPORTDATA></BODY></ENVELOPE>");
}

pugi::xml_node requestData(pugi::xml_document &document)
{
    return elementsNamed(document, QStringLiteral("REQUESTDATA")).front();
}

// One request built both ways: as a document sent by SendTallyDocument, and by the writer. The value goes into
// every kind of place: text, an attribute set at once and one set after the children, an optional element.
QByteArray documentRoute(const QString &company, const QString &value)
{
    auto document = CreateImportEnvelope(company);
    const pugi::xml_node message = AddXmlElement(document.get(), requestData(*document), "TALLYMESSAGE", {});
    AddXmlAttribute(document.get(), message, "xmlns:UDF", QStringLiteral("TallyUDF"));
    const pugi::xml_node voucher = AddXmlElement(document.get(), message, "VOUCHER", {});
    const pugi::xml_node list = AddXmlElement(document.get(), voucher, "ADDRESS.LIST", {});
    AddXmlElementIfValue(document.get(), list, "ADDRESS", value);
    AddXmlElementIfValue(document.get(), list, "ADDRESS", {});
    AddXmlElement(document.get(), voucher, "EMPTY", {});
    AddXmlAttribute(document.get(), voucher, "REMOTEID", value);
    AddXmlAttribute(document.get(), voucher, "ACTION", QStringLiteral("Create"));
    const pugi::xml_node dated = AddXmlElement(document.get(), voucher, "UDF:REFERENCEDATE", value);
    AddXmlAttribute(document.get(), dated, "DESC", value);
    AddXmlElement(document.get(), voucher, "NARRATION", value);
    if (!settleAsLoaded(*document))
        return {};
    return indentedDocumentBytes(*document);
}

QByteArray writerRoute(const QString &company, const QString &value)
{
    ImportRequestWriter writer;
    if (!writer.start(company))
        return {};
    writer.open("TALLYMESSAGE");
    writer.attribute("xmlns:UDF", QStringLiteral("TallyUDF"));
    writer.open("VOUCHER");
    writer.open("ADDRESS.LIST");
    writer.elementIfValue("ADDRESS", value);
    writer.elementIfValue("ADDRESS", {});
    writer.close();
    writer.element("EMPTY", {});
    writer.attribute("REMOTEID", value);
    writer.attribute("ACTION", QStringLiteral("Create"));
    writer.open("UDF:REFERENCEDATE");
    writer.text(value);
    writer.attribute("DESC", value);
    writer.close();
    writer.element("NARRATION", value);
    writer.close();
    writer.close();
    return writer.finish();
}

} // namespace

class TestEnvelope final : public testsupport::TestBed<>
{
    Q_OBJECT

private slots:
    void init() { startBed(); }
    void cleanup() { stopBed(); }

    void envelope_data()
    {
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("xml");
        QTest::newRow("company") << "Test Co"
                                 << envelopeXml(QStringLiteral("<SVCURRENTCOMPANY>Test Co</SVCURRENTCOMPANY>"));
        QTest::newRow("open company") << "CURRENTLY SELECTED COMPANY IN TALLY" << envelopeXml(QString());
        QTest::newRow("open company words in other case")
            << "Currently Selected Company In Tally"
            << envelopeXml(QStringLiteral("<SVCURRENTCOMPANY>Currently Selected Company In Tally</SVCURRENTCOMPANY>"));
        QTest::newRow("empty name") << "" << envelopeXml(QStringLiteral("<SVCURRENTCOMPANY/>"));
        QTest::newRow("markup characters")
            << "A & B <Traders>"
            << envelopeXml(QStringLiteral("<SVCURRENTCOMPANY>A &amp; B &lt;Traders&gt;</SVCURRENTCOMPANY>"));
        QTest::newRow("quotes") << "Jack's \"Best\""
                                << envelopeXml(QStringLiteral("<SVCURRENTCOMPANY>Jack's \"Best\"</SVCURRENTCOMPANY>"));
        QTest::newRow("entity look-alike")
            << "R&amp;D" << envelopeXml(QStringLiteral("<SVCURRENTCOMPANY>R&amp;amp;D</SVCURRENTCOMPANY>"));
    }
    void envelope()
    {
        QFETCH(QString, company);
        QFETCH(QString, xml);
        const auto document = CreateImportEnvelope(company);
        QVERIFY(document);
        QCOMPARE(DocumentXml(*document), xml);
        QVERIFY(m_prompter->boxes().isEmpty());

        // What the server reads back is the name as given.
        pugi::xml_document parsed;
        QVERIFY(loadXml(parsed, DocumentXml(*document)));
        const auto named = elementsNamed(parsed, QStringLiteral("SVCURRENTCOMPANY"));
        if (company == QLatin1String(currentlySelectedCompany)) {
            QVERIFY(named.empty());
        } else {
            QCOMPARE(int(named.size()), 1);
            QCOMPARE(textContent(named.front()), company);
        }
    }

    void elements()
    {
        auto document = CreateImportEnvelope(QStringLiteral("Test Co"));
        const pugi::xml_node message =
            AddXmlElement(document.get(), requestData(*document), QStringLiteral("TALLYMESSAGE"), {});
        QVERIFY(message);
        AddXmlAttribute(document.get(), message, QStringLiteral("xmlns:UDF"), QStringLiteral("TallyUDF"));
        const pugi::xml_node ledger = AddXmlElement(document.get(), message, QStringLiteral("LEDGER"), {});
        AddXmlAttribute(document.get(), ledger, QStringLiteral("NAME"), QStringLiteral("first"));
        AddXmlAttribute(document.get(), ledger, QStringLiteral("ACTION"), QStringLiteral("Create"));
        AddXmlAttribute(document.get(), ledger, QStringLiteral("NAME"), QStringLiteral("Cash & \"Bank\" <1>"));

        const pugi::xml_node name =
            AddXmlElement(document.get(), ledger, QStringLiteral("NAME"), QStringLiteral("Cash & <Bank>"));
        QCOMPARE(textContent(name), QStringLiteral("Cash & <Bank>"));
        QVERIFY(AddXmlElement(document.get(), ledger, QStringLiteral("OPENINGBALANCE"), {}));
        QVERIFY(!AddXmlElementIfValue(document.get(), ledger, QStringLiteral("ALIAS"), {}));
        const pugi::xml_node parent =
            AddXmlElementIfValue(document.get(), ledger, QStringLiteral("PARENT"), QStringLiteral("Bank Accounts"));
        QCOMPARE(localName(parent), QStringLiteral("PARENT"));
        QCOMPARE(parent.parent(), ledger);

        QCOMPARE(DocumentXml(*document),
                 envelopeXml(QStringLiteral("<SVCURRENTCOMPANY>Test Co</SVCURRENTCOMPANY>"))
                     .replace(QStringLiteral("<REQUESTDATA/>"),
                              QStringLiteral("<REQUESTDATA><TALLYMESSAGE xmlns:UDF=\"TallyUDF\">"
                                             "<LEDGER NAME=\"Cash &amp; &quot;Bank&quot; &lt;1>\" ACTION=\"Create\">"
                                             "<NAME>Cash &amp; &lt;Bank&gt;</NAME><OPENINGBALANCE/>"
                                             "<PARENT>Bank Accounts</PARENT></LEDGER></TALLYMESSAGE></REQUESTDATA>")));
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    void failuresAreReported_data()
    {
        QTest::addColumn<int>("routine");
        QTest::addColumn<bool>("withDocument");
        QTest::addColumn<bool>("withParent");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("reported");

        const QString notSet12 = reportedError(locationAddXmlElement, errors::ErrNo::ObjectNotSet);
        const QString badName12 = reportedError(locationAddXmlElement, errors::ErrNo::InvalidProcedureCall);
        QTest::newRow("element without parent") << int(Element) << true << false << "A"
                                                << "v" << notSet12;
        QTest::newRow("element without document") << int(Element) << false << true << "A"
                                                  << "v" << notSet12;
        QTest::newRow("element with a blank in its name") << int(Element) << true << true << "A B"
                                                          << "" << badName12;
        QTest::newRow("element name starting with a digit") << int(Element) << true << true << "1A"
                                                            << "v" << badName12;
        QTest::newRow("empty element name") << int(Element) << true << true << ""
                                            << "v" << badName12;
        QTest::newRow("element name with two colons") << int(Element) << true << true << "a:b:c"
                                                      << "v" << badName12;
        QTest::newRow("element name ending in a colon") << int(Element) << true << true << "a:"
                                                        << "v" << badName12;
        QTest::newRow("element name beyond ASCII starting with a colon") << int(Element) << true << true << ":Äb"
                                                                         << "v" << badName12;
        QTest::newRow("if-value without parent")
            << int(ElementIfValue) << true << false << "A"
            << "v" << reportedError(locationAddXmlElementIfValue, errors::ErrNo::ObjectNotSet);
        QTest::newRow("if-value with nothing to add needs no parent") << int(ElementIfValue) << true << false << "A"
                                                                      << "" << QString();
        QTest::newRow("attribute without element")
            << int(Attribute) << true << false << "A"
            << "v" << reportedError(locationAddXmlAttribute, errors::ErrNo::ObjectNotSet);
        QTest::newRow("attribute with a bad name")
            << int(Attribute) << true << true << "a=b"
            << "v" << reportedError(locationAddXmlAttribute, errors::ErrNo::InvalidProcedureCall);
        // A character XML cannot carry would reach the server as a reference no parser takes, a NUL would cut the
        // value short: such a value is refused and nothing is added.
        QTest::newRow("element value with U+0001") << int(Element) << true << true << "A"
                                                   << "a\u0001b" << badName12;
        QTest::newRow("attribute value with a NUL")
            << int(Attribute) << true << true << "A" << QStringLiteral("a") + QChar(0) + QStringLiteral("b")
            << reportedError(locationAddXmlAttribute, errors::ErrNo::InvalidProcedureCall);
    }

    void charactersXmlCannotCarry_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("character");
        QTest::newRow("tab, line feed and carriage return") << "a\tb\nc\rd" << -1;
        QTest::newRow("vertical tab") << "a\u000Bb" << 0x0B;
        QTest::newRow("NUL") << QString(QChar(0)) << 0;
        QTest::newRow("U+FFFE") << "x\uFFFE" << 0xFFFE;
        QTest::newRow("a pair of surrogates") << QString::fromUcs4(U"\U0001F600") << -1;
        QTest::newRow("a lone surrogate") << QString(QChar(0xD800)) + QStringLiteral("x") << 0xD800;
        QTest::newRow("DEL and C1 controls are XML") << "\u007F\u0085" << -1;
    }
    void charactersXmlCannotCarry()
    {
        QFETCH(QString, text);
        QFETCH(int, character);
        const std::optional<char32_t> found = characterXmlCannotCarry(text);
        QCOMPARE(found ? int(*found) : -1, character);

        XmlTextCheck check;
        check.check(QStringLiteral("NAME"), QStringLiteral("fine"));
        check.check(QStringLiteral("PARENT"), text);
        QCOMPARE(check.passed(), character < 0);
        if (character >= 0) {
            QCOMPARE(check.heldBack().summary, QStringLiteral("ERROR: the column PARENT holds the character ") +
                                                   characterName(char32_t(character)) +
                                                   QStringLiteral(", which cannot be sent to Tally; not posted."));
            QCOMPARE(check.heldBack().delivery, Delivery::NotSent);
        }
    }
    void failuresAreReported()
    {
        QFETCH(int, routine);
        QFETCH(bool, withDocument);
        QFETCH(bool, withParent);
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(QString, reported);

        auto envelope = CreateImportEnvelope(QStringLiteral("Test Co"));
        const QString before = DocumentXml(*envelope);
        pugi::xml_document *document = withDocument ? envelope.get() : nullptr;
        const pugi::xml_node parent = withParent ? requestData(*envelope) : pugi::xml_node();
        pugi::xml_node added;
        switch (routine) {
        case Element:
            added = AddXmlElement(document, parent, name, value);
            break;
        case ElementIfValue:
            added = AddXmlElementIfValue(document, parent, name, value);
            break;
        default:
            AddXmlAttribute(document, parent, name, value);
        }
        QVERIFY(!added);
        QCOMPARE(DocumentXml(*envelope), before);
        QCOMPARE(reportedErrors(*m_prompter), reported.isEmpty() ? QStringList() : QStringList{reported});
    }

    void writerWritesWhatTheDocumentSends_data()
    {
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << "Test Co"
                               << "Cash";
        QTest::newRow("markup") << "A & B <Traders>"
                                << "A & \"B\" <c> 'd'";
        QTest::newRow("blanks only") << "  "
                                     << " \t ";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("line breaks and tabs") << "Test Co"
                                              << "a\r\nb\rc\nd\te";
        QTest::newRow("beyond ASCII") << "Société €" << QString::fromUcs4(U"Grüße \U0001F600 \u00A0x");
        QTest::newRow("open company") << "CURRENTLY SELECTED COMPANY IN TALLY"
                                      << "x";
    }
    void writerWritesWhatTheDocumentSends()
    {
        QFETCH(QString, company);
        QFETCH(QString, value);
        const QByteArray expected = documentRoute(company, value);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(writerRoute(company, value), expected);
        // A second request reuses the envelope laid out for the first.
        QCOMPARE(writerRoute(company, value), expected);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    void writerReportsWhatCannotGo()
    {
        const QString bad = QStringLiteral("a\u0001b");
        ImportRequestWriter writer;
        QVERIFY(!writer.start(bad));
        QVERIFY(writer.start(QStringLiteral("Test Co")));
        QVERIFY(!writer.attribute("A", QStringLiteral("v")));
        writer.open("TALLYMESSAGE");
        QVERIFY(!writer.attribute("A", bad));
        QVERIFY(!writer.element("B", bad));
        QVERIFY(!writer.elementIfValue("C", bad));
        QVERIFY(writer.elementIfValue("C", {}));
        writer.open("D");
        QVERIFY(!writer.text(bad));
        writer.close();
        writer.close();
        QVERIFY(writer.finish().contains("<REQUESTDATA>\r\n        <TALLYMESSAGE>\r\n          <D/>\r\n"
                                         "        </TALLYMESSAGE>\r\n      </REQUESTDATA>"));
        QCOMPARE(reportedErrors(*m_prompter),
                 (QStringList{reportedError(locationCreateImportEnvelope, errors::ErrNo::InvalidProcedureCall),
                              reportedError(locationAddXmlAttribute, errors::ErrNo::ObjectNotSet),
                              reportedError(locationAddXmlAttribute, errors::ErrNo::InvalidProcedureCall),
                              reportedError(locationAddXmlElement, errors::ErrNo::InvalidProcedureCall),
                              reportedError(locationAddXmlElementIfValue, errors::ErrNo::InvalidProcedureCall),
                              reportedError(locationAddXmlElement, errors::ErrNo::InvalidProcedureCall)}));
    }

    // Breaking the writer's rules is refused in every build: through the trap of the call that stands for a
    // document function, or raised to the builder's own trap by open() and close().
    void writerRefusesMisuse_data()
    {
        QTest::addColumn<Misuse>("misuse");
        QTest::addColumn<QString>("reported"); // "" when the call raises
        using Writer = ImportRequestWriter;
        const QString attribute = reportedError(locationAddXmlAttribute, errors::ErrNo::InvalidProcedureCall);
        const QString text = reportedError(locationAddXmlElement, errors::ErrNo::InvalidProcedureCall);
        QTest::newRow("attribute set twice") << Misuse([](Writer &w) {
            w.attribute("ACTION", QStringLiteral("Create"));
            return w.attribute("ACTION", QStringLiteral("Alter"));
        }) << attribute;
        QTest::newRow("attribute name XML does not allow")
            << Misuse([](Writer &w) { return w.attribute("1A", QStringLiteral("v")); }) << attribute;
        QTest::newRow("text after an element") << Misuse([](Writer &w) {
            w.element("NAME", QStringLiteral("Cash"));
            return w.text(QStringLiteral("loose"));
        }) << text;
        QTest::newRow("element after text") << Misuse([](Writer &w) {
            w.text(QStringLiteral("loose"));
            return w.element("NAME", QStringLiteral("Cash"));
        }) << text;
        QTest::newRow("element name XML does not allow") << Misuse([](Writer &w) {
            w.open("A B");
            return true;
        }) << QString();
        QTest::newRow("close with nothing open") << Misuse([](Writer &w) {
            w.close();
            w.close();
            w.close();
            return true;
        }) << QString();
        QTest::newRow("child of a closed element") << Misuse([](Writer &w) {
            const Writer::ElementId list = w.open("ADDRESS.LIST");
            w.close();
            w.open("BASICBUYERADDRESS.LIST");
            w.closeInside(list);
            return true;
        }) << QString();
    }
    void writerRefusesMisuse()
    {
        QFETCH(Misuse, misuse);
        QFETCH(QString, reported);
        ImportRequestWriter writer;
        QVERIFY(writer.startMessage(QStringLiteral("Test Co"), "VOUCHER"));
        if (reported.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(errors::RuntimeError, misuse(writer));
            QVERIFY(m_prompter->boxes().isEmpty());
        } else {
            QVERIFY(!misuse(writer));
            QCOMPARE(reportedErrors(*m_prompter), QStringList{reported});
        }
    }

    void attributeOnTextIsReported()
    {
        auto document = CreateImportEnvelope(QStringLiteral("Test Co"));
        const pugi::xml_node text = elementsNamed(*document, QStringLiteral("REPORTNAME")).front().first_child();
        AddXmlAttribute(document.get(), text, QStringLiteral("A"), QStringLiteral("v"));
        QVERIFY(!AddXmlElement(document.get(), text, QStringLiteral("A"), QStringLiteral("v")));
        QCOMPARE(reportedErrors(*m_prompter),
                 (QStringList{reportedError(locationAddXmlAttribute, errors::ErrNo::InvalidProcedureCall),
                              reportedError(locationAddXmlElement, errors::ErrNo::InvalidProcedureCall)}));
    }
};

QTEST_GUILESS_MAIN(TestEnvelope)
#include "testenvelope.moc"
