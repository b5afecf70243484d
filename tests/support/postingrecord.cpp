#include "support/postingrecord.h"

#include "sources/workgrid.h"
#include "support/golden.h"
#include "support/gridloading.h"
#include "support/headlesswindow.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"

#include <QTest>

namespace testsupport {

namespace {

QString colourName(const QColor &colour)
{
    if (!colour.isValid())
        return QStringLiteral("default");
    if (colour == QColor(255, 0, 0))
        return QStringLiteral("red");
    if (colour == QColor(0, 0, 255))
        return QStringLiteral("blue");
    if (colour == QColor(0, 0, 0))
        return QStringLiteral("black");
    return colour.name();
}

} // namespace

QByteArray requestsText(const QList<tallysim::RecordedRequest> &requests)
{
    QByteArray text;
    for (qsizetype i = 0; i < requests.size(); ++i)
        text += "=== request " + QByteArray::number(i + 1) + " ===\r\n" + requests.at(i).body + "\r\n";
    return text;
}

QByteArray marksText(HeadlessWindow &window)
{
    sources::WorkGrid &grid = window.workGrid();
    const int status = grid.columnOfKey(sources::ProcessStatusKey);
    QString text;
    for (int row = 1; row <= grid.rows(); ++row) {
        text += QStringLiteral("row ") + QString::number(row) + QStringLiteral(": ");
        if (grid.text(row, status).isEmpty() && grid.image(row, 1) == sources::NoImage && !grid.bold(row, status)) {
            text += QStringLiteral("-\n");
            continue;
        }
        text += QLatin1Char('[') + grid.text(row, status) + QStringLiteral("] image ") +
                QString::number(grid.image(row, 1)) + QLatin1Char(' ') + colourName(grid.textColor(row, 1)) +
                (grid.bold(row, status) ? QStringLiteral(" bold") : QString()) + QLatin1Char('\n');
    }
    for (const HeadlessWindow::StatCall &call : window.statCalls())
        text += QStringLiteral("stat ") + call.panel + QStringLiteral(": ") + call.msg + QLatin1Char('\n');
    text += QStringLiteral("current row ") + QString::number(grid.currentRow()) + QLatin1Char('\n');
    text += QStringLiteral("yields ") + QString::number(window.yieldCount()) + QLatin1Char('\n');
    return text.toUtf8();
}

void postFileAsExpected(HeadlessWindow &window, const ScriptedPrompter &prompter, const SimulatedServer &server,
                        const QString &file, const QString &listText, void (*procedure)(sources::ImportWindow &window))
{
    const QString base = QStringLiteral("vouchers/") + file;
    loadTextFile(window, listText, testDataPath(base + QStringLiteral(".csv")));
    procedure(window);

    QCOMPARE(reportedErrors(prompter), QStringList());
    compareWithGolden(requestsText(server.requests()), base + QStringLiteral(".requests.txt"));
    if (QTest::currentTestFailed())
        return;
    compareWithGolden(marksText(window), base + QStringLiteral(".marks.txt"));
}

} // namespace testsupport
