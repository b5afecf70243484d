#include "errors/errortrap.h"
#include "sources/lookups.h"
#include "sources/sourcegrid.h"
#include "sources/workgrid.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/testbed.h"
#include "support/testenvironment.h"

#include <QTest>

#include <memory>

using namespace sources;
using testsupport::ScriptedPrompter;
using testsupport::TestEnvironment;

namespace {

// A source grid with the given header and one record of "x" cells.
void bindHeader(SourceGrid &grid, const QStringList &header)
{
    grid.bind(header, std::vector<QString>(std::size_t(header.size()), QStringLiteral("x")));
}

// A grid as a voucher load leaves it: source columns, the added ID column, the status column, data rows and a
// trailing blank row.
void fillVouchers(WorkGrid &grid)
{
    grid.addColumn(QStringLiteral("VCHTYPE"), QStringLiteral("VchType"));
    grid.addColumn(QStringLiteral("LEDGER"), QStringLiteral("Ledger"));
    grid.addColumn(IdKey, IdKey);
    grid.addColumn(ProcessStatusKey, ProcessStatusCaption);
    const auto row = [&](const char *type, const char *ledger, const char *id, const char *status) {
        const int r = grid.appendRow();
        grid.setText(r, 1, QString::fromLatin1(type));
        grid.setText(r, 2, QString::fromLatin1(ledger));
        grid.setText(r, 3, QString::fromLatin1(id));
        grid.setText(r, 4, QString::fromLatin1(status));
    };
    row("Sales", "Cash", "Sales-1", "");
    row("", "", "", "CREATED: 1");
    row("   ", " ", "", "  ");
    row("", "\t", "", "");
    grid.appendRow();
}

} // namespace

class TestLookups final : public testsupport::TestBed<>
{
    Q_OBJECT

private slots:
    void init() { startBed(); }
    void cleanup() { stopBed(); }

    void colPos_data()
    {
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("position");
        const QStringList vouchers{QStringLiteral("VchType"), QStringLiteral("VchNo"), QStringLiteral("Amount")};
        QTest::newRow("first column is 0") << vouchers << "VchType" << 0;
        QTest::newRow("trimmed and upper-cased") << vouchers << " vchno " << 1;
        QTest::newRow("header trimmed too") << QStringList{QStringLiteral("  Amount ")} << "AMOUNT" << 0;
        QTest::newRow("inner space does not match") << QStringList{QStringLiteral("Vch No")} << "VchNo" << -1;
        QTest::newRow("first of two duplicates")
            << QStringList{QStringLiteral("Rate"), QStringLiteral("Name"), QStringLiteral(" NAME ")} << "name" << 1;
        QTest::newRow("absent") << vouchers << "RefNo" << -1;
        QTest::newRow("only spaces are trimmed") << QStringList{QStringLiteral("\tNarration")} << "Narration" << -1;
        QTest::newRow("empty name matches an empty header")
            << QStringList{QStringLiteral("Name"), QStringLiteral(" ")} << "" << 1;
    }
    void colPos()
    {
        QFETCH(QStringList, header);
        QFETCH(QString, name);
        QFETCH(int, position);
        SourceGrid grid;
        bindHeader(grid, header);
        QCOMPARE(ColPos(grid, name), position);
        QCOMPARE(ColExists(grid, name), position >= 0);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    void lookupsFollowTheCurrentHeader()
    {
        SourceGrid grid;
        bindHeader(grid, {QStringLiteral("Name"), QStringLiteral("Parent")});
        QCOMPARE(ColPos(grid, QStringLiteral("PARENT")), 1);
        grid.setTextMatrix(0, 1, QStringLiteral("Under"));
        QCOMPARE(ColPos(grid, QStringLiteral("PARENT")), -1);
        QCOMPARE(ColPos(grid, QStringLiteral("under")), 1);
        bindHeader(grid, {QStringLiteral("Parent")});
        QCOMPARE(ColPos(grid, QStringLiteral("PARENT")), 0);

        // A read without records leaves two empty rows over the old columns: every name is then absent.
        grid.setRows(2);
        for (int row = 0; row < 2; ++row) {
            for (int col = 0; col < grid.Cols(); ++col)
                grid.setTextMatrix(row, col, QString());
        }
        QCOMPARE(ColPos(grid, QStringLiteral("Parent")), -1);
        QVERIFY(!ColExists(grid, QStringLiteral("Parent")));
    }

    void isEmptyRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("empty");
        QTest::newRow("data row") << 1 << false;
        QTest::newRow("only a status text") << 2 << false;
        QTest::newRow("only spaces") << 3 << true;
        QTest::newRow("a tab is text") << 4 << false;
        QTest::newRow("trailing blank row") << 5 << true;
    }
    void isEmptyRow()
    {
        QFETCH(int, row);
        QFETCH(bool, empty);
        WorkGrid grid;
        fillVouchers(grid);
        QCOMPARE(IsEmptyRow(grid, row), empty);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    void isEmptyRowEx()
    {
        SourceGrid grid;
        grid.bind({QStringLiteral("VchType"), QStringLiteral("VchNo")},
                  {QStringLiteral("Sales"), QString(), QStringLiteral("  "), QStringLiteral(" "), QString(),
                   QStringLiteral("1")});
        QVERIFY(!IsEmptyRowEx(grid, 0));
        QVERIFY(!IsEmptyRowEx(grid, 1));
        QVERIFY(IsEmptyRowEx(grid, 2));
        QVERIFY(!IsEmptyRowEx(grid, 3));
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // A row outside the grid is a run-time error of the routine: reported under its own location code, and
    // the routine answers with what it held, which is True for a row in which nothing was seen.
    void rowOutsideTheGridIsReported()
    {
        WorkGrid work;
        fillVouchers(work);
        QVERIFY(IsEmptyRow(work, 6));
        QVERIFY(IsEmptyRow(work, 0));
        SourceGrid source;
        QVERIFY(IsEmptyRowEx(source, 2));
        QCOMPARE(testsupport::reportedErrors(*m_prompter),
                 (QStringList{testsupport::reportedError("F01-0046", errors::ErrNo::SubscriptOutOfRange),
                              testsupport::reportedError("F01-0046", errors::ErrNo::SubscriptOutOfRange),
                              testsupport::reportedError("F01-0046A", errors::ErrNo::SubscriptOutOfRange)}));
    }

    void fieldExists_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::newRow("case ignored") << "vatrate" << true;
        QTest::newRow("exact") << "VchNo" << true;
        QTest::newRow("not trimmed") << " VATRate" << false;
        QTest::newRow("absent") << "Rate" << false;
        QTest::newRow("empty") << "" << false;
    }
    void fieldExists()
    {
        QFETCH(QString, name);
        QFETCH(bool, exists);
        const QStringList fields{QStringLiteral("VchNo"), QStringLiteral("VATRate"), QStringLiteral("Amount")};
        QCOMPARE(FieldExists(fields, name), exists);
        QVERIFY(!FieldExists({}, name));
    }

    void validHeader_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("brackets and dot") << "Amount(Rs.)" << true;
        QTest::newRow("dash and digit") << "VAT-4" << true;
        QTest::newRow("every letter and digit")
            << "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789" << true;
        QTest::newRow("backspace") << "Vch\bNo" << true;
        QTest::newRow("blank") << "Sales Tax" << false;
        QTest::newRow("underscore") << "Sale_Amt" << false;
        QTest::newRow("percent") << "VAT4%" << false;
        QTest::newRow("refused first, allowed after") << "$Amount" << false;
        QTest::newRow("tab") << "Vch\tNo" << false;
        QTest::newRow("letter of the code page") << QStringLiteral("Caf\u00e9") << false;
        QTest::newRow("euro sign") << QStringLiteral("\u20ac") << false;
        QTest::newRow("outside the code page, even if it looks like A") << QStringLiteral("\uff21") << false;
        QTest::newRow("dotless i is no i") << QStringLiteral("\u0131") << false;
    }
    void validHeader()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(ValidHeader(name), valid);
    }

    void headerExists_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::newRow("status column, lower case") << "processstatus" << true;
        QTest::newRow("added ID column") << "ID" << true;
        QTest::newRow("source column") << "Ledger" << true;
        QTest::newRow("not trimmed") << "LEDGER " << false;
        QTest::newRow("caption is not a key") << "Process Status" << false;
        QTest::newRow("absent") << "Amount" << false;
    }
    void headerExists()
    {
        QFETCH(QString, name);
        QFETCH(bool, exists);
        WorkGrid grid;
        fillVouchers(grid);
        QCOMPARE(HeaderExists(grid, name), exists);
        QVERIFY(!HeaderExists(WorkGrid(), name));
    }

    // Loaders also run where there is no GUI application to measure text with; fitting must still work.
    void widthsFitWithoutAGuiApplication()
    {
        WorkGrid grid;
        fillVouchers(grid);
        grid.fitColumnWidth(IdKey);
        const int idWidth = grid.columnWidth(3);
        grid.setText(1, 1, QStringLiteral("Sales Return Voucher"));
        grid.fitColumnWidth(1);
        QVERIFY(idWidth > 0);
        QVERIFY(grid.columnWidth(1) > idWidth);
    }
};

QTEST_GUILESS_MAIN(TestLookups)
#include "testlookups.moc"
