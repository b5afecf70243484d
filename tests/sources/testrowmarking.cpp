#include "errors/errortrap.h"
#include "sources/rowmarking.h"
#include "sources/workgrid.h"
#include "support/headlesswindow.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/testbed.h"
#include "support/testenvironment.h"
#include "tally/transport.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace sources;
using testsupport::ScriptedPrompter;
using testsupport::TestEnvironment;

namespace {

// Vouchers as the posting run leaves them: Sales-1 in rows 1, 2 and 4, Sales-2 in row 3, a key differing only
// in letter case in row 5, and the trailing blank row.
void fillVouchers(WorkGrid &grid, bool withStatusColumn = true)
{
    grid.addColumn(QStringLiteral("VCHTYPE"), QStringLiteral("VchType"));
    grid.addColumn(QStringLiteral("AMOUNT"), QStringLiteral("Amount"));
    grid.addColumn(IdKey, IdKey);
    if (withStatusColumn)
        grid.addColumn(ProcessStatusKey, ProcessStatusCaption);
    for (const char *id : {"Sales-1", "Sales-1", "Sales-2", "Sales-1", "sales-1"}) {
        const int row = grid.appendRow();
        grid.setText(row, 1, QStringLiteral("Sales"));
        grid.setText(row, 2, QString::number(row * 100));
        grid.setText(row, 3, QString::fromLatin1(id));
    }
    if (withStatusColumn)
        grid.setText(2, 4, QStringLiteral("ERRORS: 1"));
    grid.appendRow();
}

QList<int> markedRows(const WorkGrid &grid)
{
    QList<int> rows;
    for (int row = 1; row <= grid.rows(); ++row) {
        if (grid.textColor(row, 1).isValid())
            rows.append(row);
    }
    return rows;
}

void verifyMarks(const WorkGrid &grid, const QList<int> &marked)
{
    QCOMPARE(markedRows(grid), marked);
    const int status = grid.columnOfKey(ProcessStatusKey);
    for (int row = 1; row <= grid.rows(); ++row) {
        const bool isMarked = marked.contains(row);
        for (int column = 1; column <= grid.columns(); ++column) {
            QCOMPARE(grid.textColor(row, column), isMarked ? QColor(Qt::red) : QColor());
            QCOMPARE(grid.bold(row, column), isMarked && column == status);
        }
    }
}

} // namespace

class TestRowMarking final : public testsupport::TestBed<>
{
    Q_OBJECT

private slots:
    void init() { startBed(); }
    void cleanup() { stopBed(); }

    void marksEveryRowOfTheVoucher_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QList<int>>("marked");
        QTest::newRow("rows apart") << "Sales-1" << QList<int>{1, 2, 4};
        QTest::newRow("one row") << "Sales-2" << QList<int>{3};
        QTest::newRow("letter case counts") << "sales-1" << QList<int>{5};
        QTest::newRow("no match") << "Sales-9" << QList<int>{};
    }
    void marksEveryRowOfTheVoucher()
    {
        QFETCH(QString, id);
        QFETCH(QList<int>, marked);
        WorkGrid grid;
        fillVouchers(grid);
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&grid, &QAbstractItemModel::modelReset);

        qint32 curPos = 7;
        ReportErrorByVID(grid, id, IdKey, curPos);

        verifyMarks(grid, marked);
        QCOMPARE(curPos, 1);
        QVERIFY(grid.redraw());
        // One refresh for the whole scan, none when nothing changed.
        QCOMPARE(changed.size(), marked.isEmpty() ? 0 : 1);
        QCOMPARE(reset.size(), 0);
        // Texts stay as they were.
        QCOMPARE(grid.text(2, 4), QStringLiteral("ERRORS: 1"));
        QCOMPARE(grid.text(4, 3), QStringLiteral("Sales-1"));
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    void secondVoucherLeavesTheFirstMarked()
    {
        WorkGrid grid;
        fillVouchers(grid);
        qint32 curPos = 0;
        ReportErrorByVID(grid, QStringLiteral("Sales-2"), IdKey, curPos);
        ReportErrorByVID(grid, QStringLiteral("Sales-1"), IdKey, curPos);
        verifyMarks(grid, {1, 2, 3, 4});
    }

    void missingKeyColumnIsReportedAndRepaintComesBack()
    {
        WorkGrid grid;
        fillVouchers(grid);
        qint32 curPos = 0;
        ReportErrorByVID(grid, QStringLiteral("Sales-1"), QStringLiteral("VCHID"), curPos);
        QVERIFY(grid.redraw());
        QCOMPARE(curPos, 1);
        verifyMarks(grid, {});
        QCOMPARE(testsupport::reportedErrors(*m_prompter),
                 QStringList{testsupport::reportedError("F01-0027", errors::ErrNo::SubscriptOutOfRange)});
    }

    // Without a status column the first matching row is coloured before the error ends the scan; what was
    // marked stays marked and the grid paints again.
    void errorPartWayLeavesEarlierMarks()
    {
        WorkGrid grid;
        fillVouchers(grid, false);
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        qint32 curPos = 0;
        ReportErrorByVID(grid, QStringLiteral("Sales-2"), IdKey, curPos);
        QVERIFY(grid.redraw());
        QCOMPARE(markedRows(grid), QList<int>{3});
        QCOMPARE(changed.size(), 1);
        QCOMPARE(testsupport::reportedErrors(*m_prompter),
                 QStringList{testsupport::reportedError("F01-0027", errors::ErrNo::SubscriptOutOfRange)});
    }

    // The step after a post: the result goes into the last row only; a master row takes its outcome's colour, a
    // rejected voucher marks its rows (by key, or its own rows when the source has no ID of its own); the progress,
    // the current row and one yield follow.
    void postAndMark_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QList<int>>("marked");
        QTest::addColumn<int>("image");
        QTest::newRow("master created") << "master"
                                        << "CREATED" << QList<int>{} << imagePosted;
        QTest::newRow("master rejected") << "master"
                                         << "ERRORS x - " << QList<int>{4} << imageRejected;
        QTest::newRow("voucher by key rejected") << "key"
                                                 << "ERRORS x - " << QList<int>{1, 2, 4} << imageRejected;
        QTest::newRow("voucher by key created") << "key"
                                                << "CREATED" << QList<int>{} << imagePosted;
        QTest::newRow("voucher by key unrecognised") << "key"
                                                     << "" << QList<int>{} << imageUnrecognised;
        QTest::newRow("voucher rows rejected") << "range"
                                               << "ERRORS x - " << QList<int>{3, 4} << imageRejected;
        QTest::newRow("voucher rows altered") << "range"
                                              << "ALTERED" << QList<int>{} << imagePosted;
    }
    void postAndMark()
    {
        QFETCH(QString, rows);
        QFETCH(QString, summary);
        QFETCH(QList<int>, marked);
        QFETCH(int, image);
        testsupport::HeadlessWindow window;
        fillVouchers(window.workGrid());
        WorkGrid &grid = window.workGrid();
        const PostedRows posted = rows == QLatin1String("master") ? PostedRows::master(4)
                                  : rows == QLatin1String("key")
                                      ? PostedRows::voucherWithKey(4, QStringLiteral("Sales-1"))
                                      : PostedRows::voucherRows(3, 4);

        QVERIFY(PostAndMark(window, posted, tally::TallyReply{summary, tally::Delivery::Answered},
                            QStringLiteral("Processed Document: 7")));

        QCOMPARE(grid.text(4, ProcessStatusKey), summary);
        QCOMPARE(grid.text(2, ProcessStatusKey), QStringLiteral("ERRORS: 1"));
        QCOMPARE(grid.image(4, 1), image);
        for (int row = 1; row <= 3; ++row)
            QCOMPARE(grid.image(row, 1), NoImage);
        QList<int> red;
        for (int row = 1; row <= grid.rows(); ++row) {
            if (grid.textColor(row, 1) == QColor(Qt::red))
                red.append(row);
        }
        QCOMPARE(red, marked);
        for (const int row : marked)
            QVERIFY(grid.bold(row, grid.columnOfKey(ProcessStatusKey)));
        QCOMPARE(window.statCalls(), (QList<testsupport::HeadlessWindow::StatCall>{
                                         {QStringLiteral("Processed Document: 7"), QStringLiteral("msg")}}));
        QCOMPARE(grid.currentRow(), 4);
        QCOMPARE(window.yieldCount(), 1);
        QVERIFY(m_prompter->boxes().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRowMarking)
#include "testrowmarking.moc"
