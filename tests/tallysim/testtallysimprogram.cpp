#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Starts the program and reads the port from its first line; 0 when it did not come up.
quint16 startProgram(QProcess &process, const QStringList &arguments)
{
    process.start(QStringLiteral(TALLYSIM_PROGRAM), arguments);
    if (!process.waitForStarted(5000) || !process.waitForReadyRead(10000))
        return 0;
    while (!process.canReadLine() && process.waitForReadyRead(5000)) {
    }
    const QString line = QString::fromUtf8(process.readLine()).trimmed();
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^tallysim listening on 127\\.0\\.0\\.1:(\\d+)$")).match(line);
    return match.hasMatch() ? static_cast<quint16>(match.captured(1).toUInt()) : 0;
}

QByteArray exchange(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write(request);
    QByteArray reply;
    // Every request here asks for the connection to be closed after the answer.
    while (socket.waitForReadyRead(5000))
        reply += socket.readAll();
    return reply + socket.readAll();
}

void stopProgram(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(5000);
}

} // namespace

class TestTallysimProgram final : public QObject
{
    Q_OBJECT

private slots:
    void servesAndLogsEveryRequest()
    {
        QTemporaryDir folder;
        const QString logPath = folder.filePath(QStringLiteral("requests.log"));
        QProcess process;
        const quint16 port = startProgram(
            process, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--company"),
                      QStringLiteral("A & B"), QStringLiteral("--company"), QStringLiteral("Other"),
                      QStringLiteral("--current"), QStringLiteral("Other"), QStringLiteral("--log"), logPath});
        QVERIFY2(port != 0, process.readAllStandardError().constData());

        const QByteArray body = "<ENVELOPE><HEADER><TALLYREQUEST>Export Data</TALLYREQUEST></HEADER><BODY>"
                                "<EXPORTDATA><REQUESTDESC><REPORTNAME>List of Companies</REPORTNAME></REQUESTDESC>"
                                "</EXPORTDATA></BODY></ENVELOPE>";
        const QByteArray reply = exchange(port, "POST / HTTP/1.1\r\nConnection: close\r\nContent-Length: " +
                                                    QByteArray::number(body.size()) + "\r\n\r\n" + body);
        QVERIFY2(reply.startsWith("HTTP/1.1 200 OK\r\n"), reply.constData());
        QVERIFY(reply.contains("<COMPANYNAME>A &amp; B</COMPANYNAME>"));
        QVERIFY(reply.contains("<COMPANYNAME>Other</COMPANYNAME>"));
        QVERIFY(exchange(port, "GET /probe HTTP/1.0\r\n\r\n").endsWith("TallyPrime Server is Running</RESPONSE>"));
        stopProgram(process);

        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(),
                 "--- request 1\nPOST /\nConnection: close\nContent-Length: " + QByteArray::number(body.size()) +
                     "\n\n" + body + "\n--- request 2\nGET /probe\n\n\n");
    }

    // Ledgers and stock items given at start are held by every company: a voucher naming them is taken, one
    // naming anything else is refused.
    void holdsTheLedgersAndItemsItIsGiven()
    {
        QProcess process;
        const quint16 port =
            startProgram(process, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--current"),
                                   QStringLiteral("Demo"), QStringLiteral("--ledger"), QStringLiteral("Sales"),
                                   QStringLiteral("--ledger"), QStringLiteral("Sundry Debtor"),
                                   QStringLiteral("--stock-item"), QStringLiteral("Widget")});
        QVERIFY2(port != 0, process.readAllStandardError().constData());
        auto voucher = [&](const QByteArray &ledger) {
            const QByteArray body =
                "<ENVELOPE><HEADER><TALLYREQUEST>Import Data</TALLYREQUEST></HEADER><BODY><IMPORTDATA><REQUESTDATA>"
                "<TALLYMESSAGE><VOUCHER VCHTYPE=\"Sales\"><LEDGERENTRIES.LIST><LEDGERNAME>Sundry Debtor</LEDGERNAME>"
                "</LEDGERENTRIES.LIST><ALLINVENTORYENTRIES.LIST><STOCKITEMNAME>Widget</STOCKITEMNAME>"
                "<ACCOUNTINGALLOCATIONS.LIST><LEDGERNAME>" +
                ledger +
                "</LEDGERNAME></ACCOUNTINGALLOCATIONS.LIST></ALLINVENTORYENTRIES.LIST></VOUCHER></TALLYMESSAGE>"
                "</REQUESTDATA></IMPORTDATA></BODY></ENVELOPE>";
            return exchange(port, "POST / HTTP/1.1\r\nConnection: close\r\nContent-Length: " +
                                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
        };
        const QByteArray taken = voucher("Sales");
        const QByteArray refused = voucher("Export Sales");
        stopProgram(process);
        QVERIFY2(taken.contains("<CREATED>1</CREATED>") && taken.contains("<ERRORS>0</ERRORS>"), taken.constData());
        QVERIFY2(refused.contains("<LINEERROR>Ledger 'Export Sales' does not exist!</LINEERROR>"), refused.constData());
    }

    void answersWithTheChosenFailure_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("replyStart");
        QTest::addColumn<QByteArray>("replyEnd");
        QTest::newRow("http error") << QStringList{QStringLiteral("--http-error"), QStringLiteral("502"),
                                                   QStringLiteral("--error-body"), QStringLiteral("gateway <down>")}
                                    << QByteArray("HTTP/1.1 502 Bad Gateway\r\n")
                                    << QByteArray("\r\n\r\ngateway <down>");
        QTest::newRow("garbage") << QStringList{QStringLiteral("--garbage")} << QByteArray("HTTP/1.1 200 OK\r\n")
                                 << QByteArray("<<not xml>> &\x80\x81");
        QTest::newRow("slow") << QStringList{QStringLiteral("--slow"), QStringLiteral("10")}
                              << QByteArray("HTTP/1.1 200 OK\r\n") << QByteArray("Server is Running</RESPONSE>");
        QTest::newRow("silent") << QStringList{QStringLiteral("--silent")} << QByteArray() << QByteArray();
    }
    void answersWithTheChosenFailure()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, replyStart);
        QFETCH(QByteArray, replyEnd);
        QProcess process;
        const quint16 port =
            startProgram(process, QStringList{QStringLiteral("--port"), QStringLiteral("0")} + arguments);
        QVERIFY2(port != 0, process.readAllStandardError().constData());
        const QByteArray reply = exchange(port, "GET / HTTP/1.1\r\nConnection: close\r\n\r\n");
        stopProgram(process);
        QVERIFY2(reply.startsWith(replyStart), reply.constData());
        QVERIFY2(reply.endsWith(replyEnd), reply.constData());
    }

    void refusesBadOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("port") << QStringList{QStringLiteral("--port"), QStringLiteral("70000")}
                              << QStringLiteral("--port needs a number from 0 to 65535");
        QTest::newRow("slow") << QStringList{QStringLiteral("--slow"), QStringLiteral("soon")}
                              << QStringLiteral("--slow needs a number of milliseconds");
        QTest::newRow("status") << QStringList{QStringLiteral("--http-error"), QStringLiteral("99")}
                                << QStringLiteral("--http-error needs a status from 200 to 599");
        QTest::newRow("two failures") << QStringList{QStringLiteral("--garbage"), QStringLiteral("--silent")}
                                      << QStringLiteral("--http-error, --garbage and --silent exclude each other");
    }
    void refusesBadOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QProcess process;
        process.start(QStringLiteral(TALLYSIM_PROGRAM), arguments);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardOutput().isEmpty());
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()).trimmed(), QStringLiteral("tallysim: ") + message);
    }

    void reportsAPortInUse()
    {
        QProcess first;
        const quint16 port = startProgram(first, {QStringLiteral("--port"), QStringLiteral("0")});
        QVERIFY(port != 0);
        QProcess second;
        second.start(QStringLiteral(TALLYSIM_PROGRAM), {QStringLiteral("--port"), QString::number(port)});
        QVERIFY(second.waitForFinished(10000));
        stopProgram(first);
        QCOMPARE(second.exitCode(), 2);
        const QByteArray expected = "tallysim: cannot listen on 127.0.0.1:" + QByteArray::number(port);
        QVERIFY(second.readAllStandardError().startsWith(expected));
    }
};

QTEST_GUILESS_MAIN(TestTallysimProgram)
#include "testtallysimprogram.moc"
