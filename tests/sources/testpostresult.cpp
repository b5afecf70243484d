#include "sources/rowmarking.h"

#include "sources/workgrid.h"

#include <QTest>

using namespace sources;

Q_DECLARE_METATYPE(sources::Outcome)

namespace {

// Two data columns and the status column, three rows.
void prepare(sources::WorkGrid &grid)
{
    grid.clear();
    grid.addColumn(QStringLiteral("NAME"), QStringLiteral("Name"));
    grid.addColumn(QStringLiteral("PARENT"), QStringLiteral("Parent"));
    grid.addColumn(sources::ProcessStatusKey, sources::ProcessStatusCaption);
    for (int i = 0; i < 3; ++i)
        grid.appendRow();
}

} // namespace

class TestPostResult final : public QObject
{
    Q_OBJECT

private slots:
    void outcome_data()
    {
        QTest::addColumn<QString>("summary");
        QTest::addColumn<Outcome>("outcome");
        QTest::newRow("created") << "CREATED" << Outcome::Created;
        QTest::newRow("lower case") << "created" << Outcome::Created;
        QTest::newRow("altered") << "ALTERED" << Outcome::Altered;
        QTest::newRow("combined only") << "COMBINED" << Outcome::Altered;
        QTest::newRow("errors beats created") << "ERRORS CREATED" << Outcome::Error;
        QTest::newRow("a TallyPrime refusal") << "EXCEPTIONS Ledger 'X' does not exist! - " << Outcome::Error;
        QTest::newRow("exceptions beats created") << "EXCEPTIONS CREATED" << Outcome::Error;
        // An answer that names no counter imported nothing: a failed post.
        QTest::newRow("error text") << "Could not find Group 'X' - " << Outcome::Error;
        QTest::newRow("line error") << "ERRORS Group 'X' does not exist - " << Outcome::Error;
        QTest::newRow("created beats altered") << "ALTERED CREATED" << Outcome::Created;
        QTest::newRow("voucher id and created") << "LASTVCHID CREATED" << Outcome::Created;
        QTest::newRow("nothing counted") << "0" << Outcome::Error;
        QTest::newRow("unknown request") << "Unknown Request, cannot be processed" << Outcome::Error;
        QTest::newRow("empty") << "" << Outcome::Unrecognised;
    }
    void outcome()
    {
        QFETCH(QString, summary);
        QFETCH(Outcome, outcome);
        QCOMPARE(PostOutcome(summary), outcome);
    }

    void rowMarks_data()
    {
        QTest::addColumn<QString>("summary");
        QTest::addColumn<int>("image");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("created") << "CREATED" << imagePosted << QColor(0, 0, 255);
        QTest::newRow("altered") << "ALTERED" << imagePosted << QColor(0, 0, 0);
        QTest::newRow("error") << "ERRORS bad - " << imageRejected << QColor(255, 0, 0);
        QTest::newRow("empty") << "" << imageUnrecognised << QColor(0, 0, 0);
        QTest::newRow("other text") << "Unknown Request" << imageRejected << QColor(255, 0, 0);
    }
    // Every outcome sets all its marks itself: an unrecognised row after a created one, or on a row that an
    // earlier run marked created, shows neither the success image nor the success colour.
    void rowMarks()
    {
        QFETCH(QString, summary);
        QFETCH(int, image);
        QFETCH(QColor, colour);
        sources::WorkGrid grid;
        prepare(grid);
        ReportPostResult(grid, 1, QStringLiteral("CREATED"));
        ReportPostResult(grid, 2, QStringLiteral("CREATED"));
        grid.setText(2, 1, QStringLiteral("kept"));

        ReportPostResult(grid, 2, summary);

        QCOMPARE(grid.text(2, sources::ProcessStatusKey), summary);
        QCOMPARE(grid.text(2, 1), QStringLiteral("kept"));
        QCOMPARE(grid.image(2, 1), image);
        for (int column = 1; column <= 3; ++column)
            QCOMPARE(grid.textColor(2, column), colour);
        QVERIFY(grid.bold(2, 3));
        QVERIFY(!grid.bold(2, 1));
        // The row above keeps its own marks; the row below is untouched.
        QCOMPARE(grid.textColor(1, 1), QColor(0, 0, 255));
        QCOMPARE(grid.image(3, 1), sources::NoImage);
        QVERIFY(!grid.bold(3, 3));
    }
};

QTEST_GUILESS_MAIN(TestPostResult)
#include "testpostresult.moc"
