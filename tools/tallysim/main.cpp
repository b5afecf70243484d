// tallysim: a simulated Tally server on 127.0.0.1 for trying Pelko and for end-to-end tests.

#include "tallysim/simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <optional>

namespace {

std::optional<int> number(const QString &text, int lowest, int highest)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

int fail(const QString &message)
{
    QTextStream(stderr) << "tallysim: " << message << Qt::endl;
    return 2;
}

QByteArray logEntry(const tallysim::RecordedRequest &request, int sequence)
{
    QByteArray entry =
        "--- request " + QByteArray::number(sequence) + '\n' + request.method + ' ' + request.target + '\n';
    for (const auto &[name, value] : request.headers)
        entry += name + ": " + value + '\n';
    entry += '\n' + request.body + '\n';
    return entry;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallysim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Answers on 127.0.0.1 as a Tally server does."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on (default 9000; 0 takes any free port)."),
                                        QStringLiteral("N"), QStringLiteral("9000"));
    const QCommandLineOption companyOption(QStringLiteral("company"),
                                           QStringLiteral("A company the server holds (repeat for several)."),
                                           QStringLiteral("NAME"));
    const QCommandLineOption currentOption(QStringLiteral("current"),
                                           QStringLiteral("The company open in the server (none when left out)."),
                                           QStringLiteral("NAME"));
    const QCommandLineOption ledgerOption(
        QStringLiteral("ledger"), QStringLiteral("A ledger every company holds from the start (repeat for several)."),
        QStringLiteral("NAME"));
    const QCommandLineOption stockItemOption(
        QStringLiteral("stock-item"),
        QStringLiteral("A stock item every company holds from the start (repeat for several)."),
        QStringLiteral("NAME"));
    const QCommandLineOption slowOption(QStringLiteral("slow"), QStringLiteral("Answer every request after MS ms."),
                                        QStringLiteral("MS"));
    const QCommandLineOption errorOption(QStringLiteral("http-error"),
                                         QStringLiteral("Answer every request with this HTTP status (200-599)."),
                                         QStringLiteral("STATUS"));
    const QCommandLineOption errorBodyOption(
        QStringLiteral("error-body"), QStringLiteral("Body of the --http-error answers."), QStringLiteral("TEXT"));
    const QCommandLineOption garbageOption(QStringLiteral("garbage"),
                                           QStringLiteral("Answer every request with bytes that are no XML."));
    const QCommandLineOption silentOption(QStringLiteral("silent"),
                                          QStringLiteral("Read every request and never answer."));
    const QCommandLineOption exceptionsOption(
        QStringLiteral("exceptions"),
        QStringLiteral("Refuse a master or voucher as TallyPrime does: EXCEPTIONS 1, ERRORS 0."));
    const QCommandLineOption importsOnlyOption(
        QStringLiteral("imports-only"),
        QStringLiteral("Fail only import requests as --http-error, --garbage or --silent say; answer the rest."));
    const QCommandLineOption logOption(QStringLiteral("log"), QStringLiteral("Append every request received to FILE."),
                                       QStringLiteral("FILE"));
    parser.addOptions({portOption, companyOption, currentOption, ledgerOption, stockItemOption, slowOption, errorOption,
                       errorBodyOption, garbageOption, silentOption, exceptionsOption, importsOnlyOption, logOption});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"") + parser.positionalArguments().first() +
                    QStringLiteral("\"; see --help"));

    tallysim::Config config;
    config.companies = parser.values(companyOption);
    config.currentCompany = parser.value(currentOption);
    config.ledgers = parser.values(ledgerOption);
    config.stockItems = parser.values(stockItemOption);
    config.refuseWithExceptions = parser.isSet(exceptionsOption);
    config.failImportsOnly = parser.isSet(importsOnlyOption);

    const auto port = number(parser.value(portOption), 0, 65535);
    if (!port)
        return fail(QStringLiteral("--port needs a number from 0 to 65535"));
    if (parser.isSet(slowOption)) {
        const auto delay = number(parser.value(slowOption), 0, 24 * 3600 * 1000);
        if (!delay)
            return fail(QStringLiteral("--slow needs a number of milliseconds"));
        config.mode = tallysim::Mode::Slow;
        config.delayMs = *delay;
    }
    const int failureModes =
        int(parser.isSet(errorOption)) + int(parser.isSet(garbageOption)) + int(parser.isSet(silentOption));
    if (failureModes > 1)
        return fail(QStringLiteral("--http-error, --garbage and --silent exclude each other"));
    if (parser.isSet(errorOption)) {
        const auto status = number(parser.value(errorOption), 200, 599);
        if (!status)
            return fail(QStringLiteral("--http-error needs a status from 200 to 599"));
        config.mode = tallysim::Mode::HttpError;
        config.errorStatus = *status;
    }
    if (parser.isSet(errorBodyOption))
        config.errorBody = parser.value(errorBodyOption).toUtf8();
    if (parser.isSet(garbageOption))
        config.mode = tallysim::Mode::Garbage;
    if (parser.isSet(silentOption))
        config.mode = tallysim::Mode::Silent;

    QFile log;
    if (parser.isSet(logOption)) {
        log.setFileName(parser.value(logOption));
        if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
            return fail(QStringLiteral("cannot open the log ") + log.fileName() + QStringLiteral(": ") +
                        log.errorString());
    }

    tallysim::Simulator simulator(config);
    if (log.isOpen()) {
        QObject::connect(&simulator, &tallysim::Simulator::requestReceived, &app,
                         [&log, sequence = 0](const tallysim::RecordedRequest &request) mutable {
                             if (log.write(logEntry(request, ++sequence)) < 0 || !log.flush())
                                 QTextStream(stderr)
                                     << "tallysim: cannot write the log: " << log.errorString() << Qt::endl;
                         });
    }
    if (!simulator.listen(static_cast<quint16>(*port)))
        return fail(QStringLiteral("cannot listen on 127.0.0.1:") + QString::number(*port) + QStringLiteral(": ") +
                    simulator.errorString());

    QTextStream(stdout) << "tallysim listening on 127.0.0.1:" << simulator.port() << Qt::endl;
    return app.exec();
}
