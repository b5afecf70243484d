#include "sources/rowmarking.h"
#include "sources/workgrid.h"
#include "support/scriptedprompter.h"
#include "support/testenvironment.h"

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

class TestRowMarking final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_prompter = std::make_unique<ScriptedPrompter>();
    }
    void cleanup()
    {
        m_prompter.reset();
        m_env.reset();
    }

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
        QCOMPARE(m_prompter->boxes().size(), 1);
        QVERIFY(m_prompter->boxes().first().prompt.contains(QStringLiteral("LOCATION CODE: F01-0027()")));
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
        QCOMPARE(m_prompter->boxes().size(), 1);
        QVERIFY(m_prompter->boxes().first().prompt.contains(QStringLiteral("LOCATION CODE: F01-0027()")));
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<ScriptedPrompter> m_prompter;
};

QTEST_GUILESS_MAIN(TestRowMarking)
#include "testrowmarking.moc"
