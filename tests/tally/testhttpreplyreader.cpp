#include "tally/httpreplyreader.h"

#include <QTest>

using tally::HttpReplyLimits;
using tally::HttpReplyReader;
using Result = HttpReplyReader::Result;

Q_DECLARE_METATYPE(HttpReplyReader::Result)

namespace {

// Small enough that every limit can be crossed by a row of the table.
HttpReplyLimits smallLimits()
{
    HttpReplyLimits limits;
    limits.maxHeadBytes = 200;
    limits.maxHeaderCount = 5;
    limits.maxBodyBytes = 16;
    limits.maxChunkLineBytes = 16;
    return limits;
}

struct Outcome
{
    Result result;
    int status;
    QByteArray body;
    bool keepAlive;
};

Outcome read(const QList<QByteArray> &slices, bool headRequest, bool closeAfter)
{
    HttpReplyReader reader(headRequest, smallLimits());
    Result result = Result::NeedMore;
    for (const QByteArray &slice : slices)
        result = reader.append(slice);
    if (closeAfter)
        result = reader.close();
    if (result != Result::Complete)
        return {result, 0, {}, false};
    return {result, reader.status(), reader.takeBody(), reader.keepAlive()};
}

} // namespace

class TestHttpReplyReader final : public QObject
{
    Q_OBJECT

private slots:
    void readsOneReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("headRequest");
        QTest::addColumn<bool>("closeAfter"); // the server closes the connection after the bytes
        QTest::addColumn<Result>("result");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("keepAlive");

        const auto ok = [](const char *name, const QByteArray &reply, int status, const QByteArray &body,
                           bool keepAlive, bool closeAfter = false, bool headRequest = false) {
            QTest::newRow(name) << reply << headRequest << closeAfter << Result::Complete << status << body
                                << keepAlive;
        };
        const auto bad = [](const char *name, const QByteArray &reply, Result result = Result::Invalid,
                            bool closeAfter = false) {
            QTest::newRow(name) << reply << false << closeAfter << result << 0 << QByteArray() << false;
        };

        ok("length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", 200, "hello", true);
        ok("names in any case, bare LF", "HTTP/1.1 200 OK\nCONTENT-length:  2 \n\nhi", 200, "hi", true);
        ok("no reason phrase, error status", "HTTP/1.1 500\r\nContent-Length: 3\r\n\r\nbad", 500, "bad", true);
        ok("same length twice", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 2, 2\r\n\r\nok", 200, "ok",
           true);
        ok("chunks with extensions and trailer",
           "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\na \r\n, world!!!\r\n0\r\n"
           "X-Check: 1\r\n\r\n",
           200, "hello, world!!!", true);
        ok("chunks win over a length, connection not kept",
           "HTTP/1.1 200 OK\r\nContent-Length: 99\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", 200, "ok",
           false);
        ok("until the close", "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n<A/>", 200, "<A/>", false, true);
        ok("other coding runs until the close", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\nzz", 200, "zz",
           false, true);
        ok("HTTP/1.0 closes", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", 200, "ok", false);
        ok("HTTP/1.0 asked to keep", "HTTP/1.0 200 OK\r\nConnection: Keep-Alive\r\nContent-Length: 2\r\n\r\nok", 200,
           "ok", true);
        ok("server closes", "HTTP/1.1 200 OK\r\nConnection: keep-alive, close\r\nContent-Length: 2\r\n\r\nok", 200,
           "ok", false);
        ok("interim replies skipped",
           "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\nX: 1\r\n\r\nHTTP/1.1 201 Created\r\n"
           "Content-Length: 2\r\n\r\nok",
           201, "ok", true);
        ok("no content", "HTTP/1.1 204 No Content\r\n\r\n", 204, "", true);
        ok("reply to HEAD", "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n", 200, "", true, false, true);
        ok("bytes after the reply", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokHTTP/1.1 200 OK\r\n", 200, "ok",
           false);
        ok("empty body by length", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 200, "", true);

        bad("not HTTP at all", "<RESPONSE>1</RESPONSE>");
        bad("other major version", "HTTP/2 200 OK\r\n\r\n");
        bad("status of two digits", "HTTP/1.1 20 OK\r\n\r\n");
        bad("status out of range", "HTTP/1.1 600 Odd\r\nContent-Length: 0\r\n\r\n");
        bad("header without colon", "HTTP/1.1 200 OK\r\nContent-Length 2\r\n\r\nok");
        bad("folded header", "HTTP/1.1 200 OK\r\nX-A: 1\r\n 2\r\nContent-Length: 2\r\n\r\nok");
        bad("control character in a value", "HTTP/1.1 200 OK\r\nX-A: 1\x01\r\n\r\n");
        bad("conflicting lengths", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nok!");
        bad("length not a number", "HTTP/1.1 200 OK\r\nContent-Length: -2\r\n\r\nok");
        bad("chunk size not hex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n");
        bad("chunk data overruns", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nokX\r\n0\r\n\r\n");
        bad("switching protocols", "HTTP/1.1 101 Switching Protocols\r\nUpgrade: h2c\r\n\r\n");
        bad("body over the limit by length", "HTTP/1.1 200 OK\r\nContent-Length: 17\r\n\r\n");
        bad("body over the limit by chunks",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\n123456789\r\n9\r\n");
        bad("body over the limit until the close", "HTTP/1.1 200 OK\r\n\r\n12345678901234567");
        bad("chunk size line too long",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;" + QByteArray(20, 'x'));
        bad("head too long", "HTTP/1.1 200 OK\r\nX-Long: " + QByteArray(200, 'x'));
        bad("too many headers", "HTTP/1.1 200 OK\r\nA: 1\r\nB: 1\r\nC: 1\r\nD: 1\r\nE: 1\r\nF: 1\r\n\r\n");
        bad("cut short in the body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", Result::NeedMore, true);
        bad("cut short in the head", "HTTP/1.1 200 OK\r\nContent-Len", Result::NeedMore, true);
        bad("cut short in the chunks", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n",
            Result::NeedMore, true);
    }
    void readsOneReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, headRequest);
        QFETCH(bool, closeAfter);

        // As one slice, and as a server that trickles it out a byte at a time.
        QList<QByteArray> bytes;
        for (const char c : std::as_const(reply))
            bytes.append(QByteArray(1, c));
        for (const QList<QByteArray> &slices : {QList<QByteArray>{reply}, bytes}) {
            const Outcome outcome = read(slices, headRequest, closeAfter);
            QTEST(outcome.result, "result");
            QTEST(outcome.status, "status");
            QTEST(outcome.body, "body");
            QTEST(outcome.keepAlive, "keepAlive");
        }
    }

    void invalidIsSeenBeforeTheLineEnds()
    {
        // A server that sends no HTTP must not hold the request up until the time-out.
        HttpReplyReader reader;
        QCOMPARE(reader.append("<ENVELOPE>"), Result::Invalid);
        QCOMPARE(reader.append("HTTP/1.1 200 OK\r\n\r\n"), Result::Invalid);
    }
};

QTEST_GUILESS_MAIN(TestHttpReplyReader)
#include "testhttpreplyreader.moc"
