#include "support/reportederrors.h"
#include "support/testbed.h"
#include "tally/tallyconstants.h"
#include "tally/xmldocument.h"
#include "tally/xmlindent.h"

#include "errors/errortrap.h"

#include <QTest>

#include <memory>

using namespace tally;

namespace {

QString crlf(QString text)
{
    return text.replace(QLatin1Char('|'), QStringLiteral("\r\n"));
}

} // namespace

class TestXmlIndent final : public testsupport::TestBed<>
{
    Q_OBJECT

private slots:
    void init() { startBed(); }
    void cleanup() { stopBed(); }

    // '|' in the expectations stands for CR LF.
    void layout_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("indented");
        QTest::newRow("empty root") << "<A/>"
                                    << "<A/>";
        QTest::newRow("text-only root") << "<A>t</A>"
                                        << "<A>t</A>";
        QTest::newRow("one child") << "<A><B/></A>"
                                   << "<A>|  <B/>|</A>";
        QTest::newRow("levels") << "<A><B>x</B><C><D>y</D><E/></C></A>"
                                << "<A>|  <B>x</B>|  <C>|    <D>y</D>|    <E/>|  </C>|</A>";
        QTest::newRow("comments and instructions as empty elements") << "<A><!--c--><?p d?><B/></A>"
                                                                     << "<A>|  <!--c-->|  <?p d?>|  <B/>|</A>";
        QTest::newRow("CDATA counts as text") << "<A><B><![CDATA[x<y]]></B></A>"
                                              << "<A>|  <B><![CDATA[x<y]]></B>|</A>";
        QTest::newRow("white space between elements is not kept") << "<A>\r\n   <B> t </B>\r\n\t</A>"
                                                                  << "<A>|  <B> t </B>|</A>";
        QTest::newRow("references in text and attributes")
            << "<A q=\"&lt;&gt;&amp;&quot;'&#9;&#10;&#13;\"><B>&lt;&gt;&amp;&quot;'\tx\ny</B></A>"
            << "<A q=\"&lt;>&amp;&quot;'&#09;&#10;&#13;\">|  <B>&lt;&gt;&amp;\"'\tx\ny</B>|</A>";
        QTest::newRow("mixed content, nested") << "<A><B>t<C>u</C>v<D><E/></D></B></A>"
                                               << "<A>|  <B>|t    <C>u</C>|v    <D>|      <E/>|    </D>|  </B>|</A>";
        QTest::newRow("escapes and attributes survive")
            << "<A q=\"1 &amp; 2\" r='&lt;'><B>x &lt; y &amp; z</B></A>"
            << "<A q=\"1 &amp; 2\" r=\"&lt;\">|  <B>x &lt; y &amp; z</B>|</A>";
        // Text beside elements is left where it is; only the elements move onto lines of their own.
        QTest::newRow("mixed content") << "<A>t<B/></A>"
                                       << "<A>|t  <B/>|</A>";
    }
    void layout()
    {
        QFETCH(QString, xml);
        QFETCH(QString, indented);
        pugi::xml_document document;
        QVERIFY(loadXml(document, xml));
        // A request is written out laid out in one pass; the same bytes as laying the tree out first.
        QCOMPARE(QString::fromUtf8(indentedDocumentBytes(document)), crlf(indented));
        IndentXmlDocument(document);
        QCOMPARE(DocumentXml(document), crlf(indented));
        QVERIFY(m_prompter->boxes().isEmpty());

        if (QByteArray(QTest::currentDataTag()).startsWith("mixed content"))
            return;
        // What is indented once is not indented again: SendTallyRequest may be handed an indented text.
        pugi::xml_document again;
        QVERIFY(loadXml(again, DocumentXml(document)));
        IndentXmlDocument(again);
        QCOMPARE(DocumentXml(again), crlf(indented));
    }

    void nodeBelowTheRoot()
    {
        pugi::xml_document document;
        QVERIFY(loadXml(document, QStringLiteral("<R><S><T/></S></R>")));
        IndentXmlNode(document.document_element().first_child(), 4);
        QCOMPARE(DocumentXml(document), crlf(QStringLiteral("<R>    <S>|      <T/>|    </S>|</R>")));
    }

    void documentWithoutRoot()
    {
        pugi::xml_document document;
        QVERIFY(!loadXml(document, QStringLiteral("<A><B></A>")));
        QVERIFY(!document.first_child());
        IndentXmlDocument(document);
        QCOMPARE(DocumentXml(document), QString());
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    void missingNodeIsReported()
    {
        IndentXmlNode(pugi::xml_node(), 2);
        QCOMPARE(testsupport::reportedErrors(*m_prompter),
                 QStringList{testsupport::reportedError(locationIndentXmlNode, errors::ErrNo::ObjectNotSet)});
    }
};

QTEST_GUILESS_MAIN(TestXmlIndent)
#include "testxmlindent.moc"
