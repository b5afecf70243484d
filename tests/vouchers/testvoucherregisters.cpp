#include "errors/errortrap.h"
#include "sources/databaseloader.h"
#include "sources/importtypes.h"
#include "sources/rowmarking.h"
#include "sources/sheetloader.h"
#include "sources/workgrid.h"
#include "support/golden.h"
#include "support/headlesswindow.h"
#include "support/memorysource.h"
#include "support/postingbed.h"
#include "support/postingrecord.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testenvironment.h"
#include "vouchers/voucherposting.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString company = QStringLiteral("Pelko Traders");

// The register's columns, and a row of it: its cells by field name, the rest empty.
const QStringList registerFields{
    u"VchType"_s,         u"VchDate"_s,       u"VchNo"_s,      u"RefNo"_s,        u"Ledger"_s,   u"Narration"_s,
    u"AdjMethod"_s,       u"AdjName"_s,       u"AdjDate"_s,    u"AdjAmount"_s,    u"Freight"_s,  u"VAT"_s,
    u"Sales"_s,           u"Service"_s,       u"STax"_s,       u"Cess"_s,         u"SecCess"_s,  u"Expense"_s,
    u"Discount"_s,        u"TotalAmount"_s,   u"DelNoteNos"_s, u"DelNoteDates"_s, u"OrderNos"_s, u"OrderDates"_s,
    u"TermsOfDelivery"_s, u"DespatchDocNo"_s, u"Buyer"_s,      u"BuyerTinNo"_s};

testsupport::Record record(const QStringList &fields, const QList<QPair<QString, QString>> &cells)
{
    testsupport::Record row(fields.size());
    for (const auto &[field, text] : cells)
        row[fields.indexOf(field)] = testsupport::Cell::fromText(text);
    return row;
}

// A sales voucher of the register: number, party ledger and the amounts by column.
testsupport::Record sale(const QString &number, const QString &ledger, const QList<QPair<QString, QString>> &cells)
{
    QList<QPair<QString, QString>> all{{u"VchType"_s, u"Sales"_s},     {u"VchDate"_s, u"20240401"_s},
                                       {u"VchNo"_s, number},           {u"RefNo"_s, u"INV-"_s + number},
                                       {u"Ledger"_s, ledger},          {u"Narration"_s, u"Sale "_s + number},
                                       {u"AdjMethod"_s, u"New Ref"_s}, {u"AdjName"_s, u"INV-"_s + number},
                                       {u"AdjDate"_s, u"30 Days"_s}};
    return record(registerFields, all + cells);
}

// The map in its workbook form, with every optional field.
const QStringList mapFields{u"ColumnName"_s,        u"LedgerName"_s,       u"LedgerSign"_s,       u"Order"_s,
                            u"VATClassification"_s, u"VATRate"_s,          u"AssessableColumn"_s, u"ServiceTaxOn"_s,
                            u"ServiceTaxRate"_s,    u"ServiceTaxColumn"_s, u"CessRate"_s,         u"CessColumn"_s,
                            u"SecCessRate"_s,       u"SecCessColumn"_s,    u"ServiceTaxLedger"_s, u"ExpenseColumn"_s};

testsupport::Record mapRow(const QStringList &values)
{
    testsupport::Record row(mapFields.size());
    for (qsizetype i = 0; i < values.size(); ++i)
        row[i] = testsupport::Cell::fromText(values.at(i));
    return row;
}

} // namespace

class TestVoucherRegisters final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        tallysim::Config config{{company}, company};
        config.ledgers = {u"Sales"_s,       u"Patel & Sons"_s, u"Output VAT"_s,          u"Freight"_s,
                          u"Service Tax"_s, u"Consultant"_s,   u"Consultancy Charges"_s, u"Discount Allowed"_s};
        m_bed.start(config);
    }
    void cleanup() { m_bed.stop(); }

    // A register sheet and its map go through the loader, the run, the staging file and the builder to the
    // server. The map's party line ("Auto") takes TOTALAMOUNT and the row's ledger; its Order, not the column's
    // place, orders the lines; a sign is Dr or Cr in any letter case and with blanks, and any other sign refuses
    // the row, naming the column; a VAT line's bill names no service-tax ledger though the line staged before it
    // did; a service-tax line gets a tax bill of its columns; an amount of 0 stages no line; a row without a
    // ledger is passed over; each row is marked as a master is, in the colour of its own outcome.
    void goldenRun()
    {
        const QList<testsupport::Record> rows{
            sale(u"1"_s, u"Patel & Sons"_s,
                 {{u"AdjAmount"_s, u"122.5"_s},
                  {u"Freight"_s, u"10"_s},
                  {u"VAT"_s, u"12.5"_s},
                  {u"Sales"_s, u"100"_s},
                  {u"TotalAmount"_s, u"122.5"_s},
                  {u"DelNoteNos"_s, u"DN-1"_s},
                  {u"DelNoteDates"_s, u"20240401"_s},
                  {u"OrderNos"_s, u"PO-7"_s},
                  {u"OrderDates"_s, u"20240325"_s},
                  {u"TermsOfDelivery"_s, u"FOR Pune"_s},
                  {u"DespatchDocNo"_s, u"LR-55"_s},
                  {u"Buyer"_s, u"Patel & Sons"_s},
                  {u"BuyerTinNo"_s, u"27AAAPP1234"_s}}),
            sale(u"2"_s, u"Patel & Sons"_s,
                 {{u"AdjAmount"_s, u"50"_s},
                  {u"Freight"_s, u"0"_s},
                  {u"VAT"_s, u"0.0004"_s},
                  {u"Sales"_s, u"50"_s},
                  {u"TotalAmount"_s, u"50"_s}}),
            sale(u"3"_s, u"~"_s, {{u"Sales"_s, u"70"_s}, {u"TotalAmount"_s, u"70"_s}}),
            sale(u"4"_s, u"Nowhere"_s, {{u"Sales"_s, u"20"_s}, {u"TotalAmount"_s, u"20"_s}}),
            sale(u"5"_s, u"Patel & Sons"_s,
                 {{u"Service"_s, u"1000"_s},
                  {u"STax"_s, u"120"_s},
                  {u"Cess"_s, u"2.4"_s},
                  {u"SecCess"_s, u"1.2"_s},
                  {u"Expense"_s, u"50"_s},
                  {u"AdjAmount"_s, u"1173.6"_s},
                  {u"TotalAmount"_s, u"1173.6"_s}}),
            // A character XML cannot carry: the voucher is not sent, its row names the column and the character.
            sale(u"7"_s, u"Patel & Sons"_s,
                 {{u"Narration"_s, u"bad \x01 text"_s}, {u"Sales"_s, u"30"_s}, {u"TotalAmount"_s, u"30"_s}}),
            sale(u"6"_s, u"Patel & Sons"_s,
                 {{u"Sales"_s, u"30"_s}, {u"Discount"_s, u"5"_s}, {u"TotalAmount"_s, u"25"_s}}),
            // A credit note of sorts: negative amounts change side, "-" negating the number.
            sale(u"8"_s, u"Patel & Sons"_s,
                 {{u"AdjAmount"_s, u"-40"_s}, {u"Sales"_s, u"-40"_s}, {u"TotalAmount"_s, u"-40"_s}}),
        };
        const QList<testsupport::Record> map{
            mapRow({u"TotalAmount"_s, u"Auto"_s, u"Dr"_s, u"1"_s}),
            mapRow({u"Sales"_s, u"Sales"_s, u"Cr"_s, u"2"_s}),
            mapRow({u"VAT"_s, u"Output VAT"_s, u"CR"_s, u"3"_s, u"Output VAT @ 12.5%"_s, u"12.5"_s, u"Sales"_s}),
            mapRow({u"Freight"_s, u"Freight"_s, u" cr "_s, u"4"_s, u"~"_s, u"~"_s, u"~"_s, u"~"_s, u"~"_s, u"~"_s,
                    u"~"_s, u"~"_s, u"~"_s, u"~"_s, u"Service Tax"_s, u"~"_s}),
            mapRow({u"Service"_s, u"Consultancy Charges"_s, u"Cr"_s, u"5"_s, u"~"_s, u"~"_s, u"Service"_s,
                    u"Consultant"_s, u"12"_s, u"stax"_s, u"2"_s, u"Cess"_s, u"1"_s, u"SecCess"_s, u"~"_s,
                    u"Expense"_s}),
            mapRow({u"Discount"_s, u"Discount Allowed"_s, u"Dx"_s, u"6"_s}),
        };
        loadRegister(rows, map);
        vouchers::PostVoucherRegister(*m_bed.window);

        QCOMPARE(testsupport::reportedLocations(*m_bed.prompter), QStringList());
        testsupport::compareWithGolden(testsupport::requestsText(m_bed.server->requests()),
                                       u"vouchers/voucher-register.requests.txt"_s);
        if (QTest::currentTestFailed())
            return;
        testsupport::compareWithGolden(testsupport::marksText(*m_bed.window), u"vouchers/voucher-register.marks.txt"_s);
    }

    // A map sign is Dr or Cr whatever its letter case and blanks; any other sign, an empty one too, sends
    // nothing for its row, whose status names the column. "Auto" marks the party line only as written.
    void mapSign_data()
    {
        QTest::addColumn<QString>("ledger");
        QTest::addColumn<QString>("sign");
        QTest::addColumn<QString>("result");

        QTest::newRow("DR") << u"Sales"_s << u"DR"_s << u"<AMOUNT>-30</AMOUNT>"_s;
        QTest::newRow(" dr") << u"Sales"_s << u" dr"_s << u"<AMOUNT>-30</AMOUNT>"_s;
        QTest::newRow("Cr ") << u"Sales"_s << u"Cr "_s << u"<AMOUNT>30.000</AMOUNT>"_s;
        QTest::newRow("Debit") << u"Sales"_s << u"Debit"_s
                               << u"ERROR: the sign \"Debit\" of column SALES is neither Dr nor Cr; the voucher was "
                                  "not sent"_s;
        QTest::newRow("empty") << u"Sales"_s << u"~"_s
                               << u"ERROR: the sign \"\" of column SALES is neither Dr nor Cr; the voucher was not "
                                  "sent"_s;
        QTest::newRow("auto is a ledger") << u"auto"_s << u"Cr"_s << u"<LEDGERNAME>auto</LEDGERNAME>"_s;
    }
    void mapSign()
    {
        QFETCH(QString, ledger);
        QFETCH(QString, sign);
        QFETCH(QString, result);

        loadRegister({sale(u"1"_s, u"Patel & Sons"_s, {{u"Sales"_s, u"30"_s}, {u"TotalAmount"_s, u"99"_s}})},
                     {mapRow({u"Sales"_s, ledger, sign, u"2"_s})});
        vouchers::PostVoucherRegister(*m_bed.window);

        sources::WorkGrid &grid = m_bed.window->workGrid();
        if (result.startsWith(u"ERROR"_s)) {
            QCOMPARE(m_bed.server->requests().size(), 0);
            QCOMPARE(grid.text(1, sources::ProcessStatusKey), result);
            QCOMPARE(grid.image(1, 1), sources::imageRejected);
            QCOMPARE(grid.textColor(1, 1), QColor(255, 0, 0));
        } else {
            QCOMPARE(m_bed.server->requests().size(), 1);
            QVERIFY2(m_bed.server->requests().first().body.contains(result.toUtf8()), qPrintable(result));
        }
    }

    // An "Auto" line in a register without TOTALAMOUNT ends the run under the procedure's location code: the
    // row in hand is neither posted nor marked, and the run does not say it finished.
    void autoLineWithoutTotal()
    {
        QStringList fields = registerFields;
        fields.removeOne(u"TotalAmount"_s);
        testsupport::Record row = sale(u"1"_s, u"Patel & Sons"_s, {{u"Sales"_s, u"5"_s}});
        row.removeAt(registerFields.indexOf(u"TotalAmount"_s));
        loadRegister(
            {row},
            {mapRow({u"Sales"_s, u"Sales"_s, u"Cr"_s, u"2"_s}), mapRow({u"Freight"_s, u"Auto"_s, u"Dr"_s, u"1"_s})},
            fields);
        vouchers::PostVoucherRegister(*m_bed.window);

        QCOMPARE(testsupport::reportedErrors(*m_bed.prompter),
                 QStringList{testsupport::reportedError(u"F01-0026"_s, errors::ErrNo::SubscriptOutOfRange)});
        QCOMPARE(m_bed.server->requests().size(), 0);
        QCOMPARE(m_bed.window->workGrid().text(1, sources::ProcessStatusKey), QString());
        QVERIFY(!m_bed.window->statCalls().isEmpty());
        QVERIFY(m_bed.window->statCalls().last().msg != u"Finished Posing of Data."_s);
    }

    // A map row whose piece names no column, or a column the register lacks, ends the run under the procedure's
    // location code when a line reads it, the error naming the map row as its sheet shows it (the header being
    // row 1), its ledger and the piece; the row in hand is neither posted nor marked.
    void mapPieceWithoutColumn_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<QString>("column"); // "~" for none
        QTest::addColumn<QString>("description");

        const QString serviceLine = u"The register map row 3 (Consultancy Charges) names "_s;
        QTest::newRow("no AssessableColumn of a VAT line")
            << u"AssessableColumn"_s << u"~"_s
            << u"The register map row 3 (Output VAT 12.5%) names no AssessableColumn"_s;
        QTest::newRow("an empty AssessableColumn of a VAT line")
            << u"AssessableColumn"_s << u""_s
            << u"The register map row 3 (Output VAT 12.5%) names no AssessableColumn"_s;
        QTest::newRow("an AssessableColumn the register lacks")
            << u"AssessableColumn"_s << u"Taxable"_s
            << u"The register map row 3 (Output VAT 12.5%) names the AssessableColumn \"Taxable\", which the register "
               u"has no column of"_s;
        QTest::newRow("no ServiceTaxColumn")
            << u"ServiceTaxColumn"_s << u"~"_s << serviceLine + u"no ServiceTaxColumn"_s;
        QTest::newRow("no CessColumn") << u"CessColumn"_s << u"~"_s << serviceLine + u"no CessColumn"_s;
        QTest::newRow("no SecCessColumn") << u"SecCessColumn"_s << u"~"_s << serviceLine + u"no SecCessColumn"_s;
        QTest::newRow("no ExpenseColumn") << u"ExpenseColumn"_s << u"~"_s << serviceLine + u"no ExpenseColumn"_s;
        QTest::newRow("no AssessableColumn of a service-tax line")
            << u"AssessableColumn"_s << u"~"_s << serviceLine + u"no AssessableColumn"_s;
    }
    void mapPieceWithoutColumn()
    {
        QFETCH(QString, piece);
        QFETCH(QString, column);
        QFETCH(QString, description);

        const bool vatLine = description.contains(u"Output VAT"_s);
        QStringList line =
            vatLine ? QStringList{u"VAT"_s,  u"Output VAT 12.5%"_s, u"Cr"_s, u"2"_s, u"Output VAT @ 12.5%"_s, u"12.5"_s,
                                  u"Sales"_s}
                    : QStringList{u"Service"_s, u"Consultancy Charges"_s,
                                  u"Cr"_s,      u"2"_s,
                                  u"~"_s,       u"~"_s,
                                  u"Service"_s, u"Consultant"_s,
                                  u"12"_s,      u"STax"_s,
                                  u"2"_s,       u"Cess"_s,
                                  u"1"_s,       u"SecCess"_s,
                                  u"~"_s,       u"Expense"_s};
        line[mapFields.indexOf(piece)] = column;
        loadRegister({sale(u"1"_s, u"Patel & Sons"_s,
                           {{u"VAT"_s, u"12.5"_s},
                            {u"Sales"_s, u"100"_s},
                            {u"Service"_s, u"100"_s},
                            {u"STax"_s, u"12"_s},
                            {u"TotalAmount"_s, u"112.5"_s}})},
                     {mapRow({u"TotalAmount"_s, u"Auto"_s, u"Dr"_s, u"1"_s}), mapRow(line)});
        vouchers::PostVoucherRegister(*m_bed.window);

        QCOMPARE(testsupport::reportedErrors(*m_bed.prompter),
                 QStringList{testsupport::reportedError(u"F01-0026"_s, errors::ErrNo::SubscriptOutOfRange)});
        const QString prompt = m_bed.prompter->boxes().front().prompt;
        QVERIFY2(prompt.contains(description), qPrintable(prompt));
        QCOMPARE(m_bed.server->requests().size(), 0);
        QCOMPARE(m_bed.window->workGrid().text(1, sources::ProcessStatusKey), QString());
    }

private:
    // Loads the register and its map as the workbook loader does, from sheets held in memory.
    void loadRegister(const QList<testsupport::Record> &rows, const QList<testsupport::Record> &map,
                      const QStringList &fields = registerFields, const QStringList &mapFieldNames = mapFields)
    {
        testsupport::MemorySource source;
        source.addTable(u"VoucherRegister$"_s, fields, rows);
        source.addTable(u"VoucherRegisterMap$"_s, mapFieldNames, map);
        m_bed.window->setImportTypeText(u"VOUCHER REGISTER"_s);
        m_bed.window->setSourceText(sources::SourceBox::txtFilePath, u"memory.xls"_s);
        sources::LoadExcelData(*m_bed.window, u"VOUCHERREGISTER"_s);
        QVERIFY(m_bed.window->workGrid().findColumn(sources::ProcessStatusKey) > 0);
        m_bed.window->forgetStatCalls();
    }

    testsupport::PostingBed m_bed;
};

QTEST_GUILESS_MAIN(TestVoucherRegisters)
#include "testvoucherregisters.moc"
