#include "tallysim/http.h"

#include <QTest>

using tallysim::HttpLimits;
using tallysim::HttpRequest;
using tallysim::HttpRequestReader;
using Result = HttpRequestReader::Result;

Q_DECLARE_METATYPE(HttpRequestReader::Result)

namespace {

// Bytes of a literal that holds NULs.
template <qsizetype N> QByteArray raw(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

} // namespace

class TestHttpReader final : public QObject
{
    Q_OBJECT

private slots:
    void readsRequestFedByteByByte()
    {
        const QByteArray bytes = "POST /import?x=1 HTTP/1.1\r\nHost: 127.0.0.1\r\ncontent-type:  text/xml \r\n"
                                 "X-Empty:\r\nContent-Length: 12\r\n\r\n<A>&amp;</A>";
        HttpRequestReader reader;
        HttpRequest request;
        for (qsizetype i = 0; i + 1 < bytes.size(); ++i) {
            reader.append(bytes.sliced(i, 1));
            QCOMPARE(reader.next(request), Result::NeedMore);
        }
        reader.append(bytes.sliced(bytes.size() - 1));
        QCOMPARE(reader.next(request), Result::Ready);
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/import?x=1"));
        const QList<QPair<QByteArray, QByteArray>> headers{
            {"Host", "127.0.0.1"}, {"content-type", "text/xml"}, {"X-Empty", ""}, {"Content-Length", "12"}};
        QCOMPARE(request.headers, headers);
        QCOMPARE(request.body, QByteArray("<A>&amp;</A>"));
        QVERIFY(request.keepAlive);
        QCOMPARE(reader.bufferedBytes(), 0);
        QCOMPARE(reader.next(request), Result::NeedMore);
    }

    void separatesPipelinedRequests()
    {
        HttpRequestReader reader;
        // Bare line feeds and a blank line between requests are taken as well.
        reader.append("POST / HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc\r\nGET /two HTTP/1.0\n\nPOST /th");
        HttpRequest request;
        QCOMPARE(reader.next(request), Result::Ready);
        QCOMPARE(request.body, QByteArray("abc"));
        QCOMPARE(reader.next(request), Result::Ready);
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.target, QByteArray("/two"));
        QCOMPARE(request.minorVersion, 0);
        QVERIFY(request.body.isEmpty());
        QCOMPARE(reader.next(request), Result::NeedMore);
        reader.append("ree HTTP/1.1\r\n\r\n");
        QCOMPARE(reader.next(request), Result::Ready);
        QCOMPARE(request.target, QByteArray("/three"));
    }

    void keepAlive_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<bool>("keepAlive");
        QTest::newRow("1.1 default") << QByteArray("GET / HTTP/1.1\r\n\r\n") << true;
        QTest::newRow("1.1 close") << QByteArray("GET / HTTP/1.1\r\nConnection: close\r\n\r\n") << false;
        QTest::newRow("1.1 close in a list")
            << QByteArray("GET / HTTP/1.1\r\nConnection: TE\r\nconnection: Upgrade, CLOSE\r\n\r\n") << false;
        QTest::newRow("1.0 default") << QByteArray("GET / HTTP/1.0\r\n\r\n") << false;
        QTest::newRow("1.0 keep-alive") << QByteArray("GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n") << true;
    }
    void keepAlive()
    {
        QFETCH(QByteArray, head);
        QFETCH(bool, keepAlive);
        HttpRequestReader reader;
        reader.append(head);
        HttpRequest request;
        QCOMPARE(reader.next(request), Result::Ready);
        QCOMPARE(request.keepAlive, keepAlive);
    }

    void refuses_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        const QByteArray hugeLine = "GET /" + QByteArray(70 * 1024, 'a');
        QByteArray manyHeaders = "GET / HTTP/1.1\r\n";
        for (int i = 0; i < 200; ++i)
            manyHeaders += "X-" + QByteArray::number(i) + ": v\r\n";

        QTest::newRow("no version") << QByteArray("GET /\r\n\r\n") << 400;
        QTest::newRow("double blank in request line") << QByteArray("GET  / HTTP/1.1\r\n\r\n") << 400;
        QTest::newRow("not http") << QByteArray("GET / FTP/1.1\r\n\r\n") << 400;
        QTest::newRow("binary") << raw("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n") << 400;
        QTest::newRow("version 2") << QByteArray("GET / HTTP/2.0\r\n\r\n") << 505;
        QTest::newRow("header without colon") << QByteArray("GET / HTTP/1.1\r\nHost\r\n\r\n") << 400;
        QTest::newRow("space before colon") << QByteArray("GET / HTTP/1.1\r\nHost : x\r\n\r\n") << 400;
        QTest::newRow("folded header") << QByteArray("GET / HTTP/1.1\r\nX-A: 1\r\n  2\r\n\r\n") << 400;
        QTest::newRow("NUL in value") << raw("GET / HTTP/1.1\r\nX-A: a\0b\r\n\r\n") << 400;
        QTest::newRow("length not a number") << QByteArray("POST / HTTP/1.1\r\nContent-Length: 1e3\r\n\r\n") << 400;
        QTest::newRow("negative length") << QByteArray("POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n") << 400;
        QTest::newRow("two lengths") << QByteArray(
                                            "POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab")
                                     << 400;
        QTest::newRow("body too large") << QByteArray("POST / HTTP/1.1\r\nContent-Length: 1073741824\r\n\r\n") << 413;
        QTest::newRow("length overflows")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 99999999999999999999999\r\n\r\n") << 413;
        QTest::newRow("chunked") << QByteArray("POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n") << 501;
        QTest::newRow("head without end") << hugeLine << 431;
        QTest::newRow("too many headers") << manyHeaders << 431;
    }
    void refuses()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        HttpRequestReader reader;
        reader.append(bytes);
        HttpRequest request;
        QCOMPARE(reader.next(request), Result::Failed);
        QCOMPARE(reader.failureStatus(), status);
        // A failed reader stays failed and keeps nothing.
        reader.append("GET / HTTP/1.1\r\n\r\n");
        QCOMPARE(reader.next(request), Result::Failed);
    }

    void asksForContinueBeforeTheBody()
    {
        HttpRequestReader reader;
        reader.append("POST / HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 2\r\n\r\n");
        HttpRequest request;
        QCOMPARE(reader.next(request), Result::NeedMore);
        QVERIFY(reader.awaitsContinue());
        reader.append("ok");
        QCOMPARE(reader.next(request), Result::Ready);
        QCOMPARE(request.body, QByteArray("ok"));
        QVERIFY(!reader.awaitsContinue());
    }

    void responseCarriesLengthAndType()
    {
        QCOMPARE(
            tallysim::httpResponse(200, "<R/>", false),
            QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: 4\r\n\r\n<R/>"));
        QCOMPARE(tallysim::httpResponse(503, "busy", true, true),
                 QByteArray("HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/xml; charset=utf-8\r\n"
                            "Content-Length: 4\r\nConnection: close\r\n\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestHttpReader)
#include "testhttpreader.moc"
