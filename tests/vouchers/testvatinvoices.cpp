#include "errors/errortrap.h"
#include "sources/workgrid.h"
#include "support/golden.h"
#include "support/gridloading.h"
#include "support/headlesswindow.h"
#include "support/postingbed.h"
#include "support/postingrecord.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testenvironment.h"
#include "vouchers/invoicelines.h"
#include "vouchers/vouchernumbers.h"
#include "vouchers/voucherposting.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

using PostingProcedure = void (*)(sources::ImportWindow &);
Q_DECLARE_METATYPE(PostingProcedure)

namespace {

const QString company = QStringLiteral("Pelko Traders");

// The fields of an invoice of ledger lines with bills, cost rows and service-tax values, which either kind reads.
const QStringList invoiceFields{u"VchType"_s,      u"VchDate"_s,     u"VchNo"_s,        u"SrNo"_s,
                                u"RefNo"_s,        u"Narration"_s,   u"Ledger"_s,       u"Debit"_s,
                                u"Credit"_s,       u"AdjMethod"_s,   u"AdjName"_s,      u"AdjDate"_s,
                                u"AdjAmount"_s,    u"CostCentre"_s,  u"CostAmount"_s,   u"AssessableAmt"_s,
                                u"ServiceTaxOn"_s, u"VchCurrency"_s, u"BaseCurrency"_s, u"ExchangeRate"_s};

using Cells = QList<QPair<QString, QString>>;

// A row of the invoice Sales/1/20240401 in USD at 2.5: its serial and the cells named, the rest empty.
QStringList invoiceRow(const QString &serial, const Cells &cells)
{
    QStringList row(invoiceFields.size());
    const Cells key{{u"VchType"_s, u"Sales"_s},   {u"VchDate"_s, u"20240401"_s}, {u"VchNo"_s, u"1"_s},
                    {u"SrNo"_s, serial},          {u"RefNo"_s, u"S-1"_s},        {u"Narration"_s, u"Sale"_s},
                    {u"VchCurrency"_s, u"USD"_s}, {u"BaseCurrency"_s, u"INR"_s}, {u"ExchangeRate"_s, u"2.5"_s}};
    for (const auto &[field, text] : key + cells)
        row[invoiceFields.indexOf(field)] = text;
    return row;
}

} // namespace

class TestVatInvoices final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        tallysim::Config config{{company}, company};
        config.ledgers = {
            u"Sales"_s,        u"Patel & Sons"_s,  u"Output VAT"_s, u"Consultant"_s,          u"Service Tax"_s,
            u"Export Sales"_s, u"Foreign Buyer"_s, u"Freight"_s,    u"Consultancy Charges"_s, u"Round Off"_s};
        config.stockItems = {u"Widget"_s};
        m_bed.start(config);
    }
    void cleanup() { m_bed.stop(); }

    // A file of each kind of VAT invoice goes through the loader, the run, the staging file and the builder to
    // the server: the requests the server receives and the marks the run leaves are the expected files. The
    // files hold item, ledger, service-tax and cost lines, delivery notes, orders, terms and addresses, amounts
    // in two currencies and a voucher the server refuses; the foreign-currency file has its voucher currency as
    // its first column, and a file without the currency columns states its amounts all the same.
    void goldenRun_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("listText");
        QTest::addColumn<PostingProcedure>("procedure");

        QTest::newRow("VAT invoices") << "vat-transactions"
                                      << "VATTRANSACTIONS" << &vouchers::PostVATTransaction;
        QTest::newRow("foreign currency") << "vat-transactions-mc"
                                          << "VATTRANSACTIONSMC" << &vouchers::PostVATTransactionMC;
        QTest::newRow("foreign currency without currency columns")
            << "vat-transactions-mc-local"
            << "VATTRANSACTIONSMC" << &vouchers::PostVATTransactionMC;
    }
    void goldenRun()
    {
        QFETCH(QString, file);
        QFETCH(QString, listText);
        QFETCH(PostingProcedure, procedure);

        testsupport::postFileAsExpected(*m_bed.window, *m_bed.prompter, *m_bed.server, file, listText, procedure);
    }

    // A ledger line is a service-tax line only when its assessable value is above 0 and it names whom the tax is
    // on. An assessable value that is missing or empty is 0: the line gets its plain bill. One that is no number
    // keeps the voucher from the server.
    void assessableValue_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("assessable");
        QTest::addColumn<QString>("bill");

        const QStringList fields{u"VchType"_s,   u"VchDate"_s, u"VchNo"_s,     u"SrNo"_s,        u"RefNo"_s,
                                 u"Narration"_s, u"Ledger"_s,  u"Debit"_s,     u"Credit"_s,      u"AdjMethod"_s,
                                 u"AdjName"_s,   u"AdjDate"_s, u"AdjAmount"_s, u"ServiceTaxOn"_s};
        const QStringList withAssessable = fields + QStringList{u"AssessableAmt"_s};
        QTest::newRow("no column") << fields << QString() << u"BILLALLOCATIONS.LIST"_s;
        QTest::newRow("empty") << withAssessable << u""_s << u"BILLALLOCATIONS.LIST"_s;
        QTest::newRow("no number") << withAssessable << u"n/a"_s << QString();
        QTest::newRow("zero") << withAssessable << u"0"_s << u"BILLALLOCATIONS.LIST"_s;
        QTest::newRow("above zero") << withAssessable << u"10"_s << u"TAXBILLALLOCATIONS.LIST"_s;
    }
    void assessableValue()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, assessable);
        QFETCH(QString, bill);

        QStringList row{u"Journal"_s, u"20240401"_s, u"1"_s,       u"1"_s,   u"B-1"_s,  u"Fees"_s, u"Consultant"_s,
                        u"10"_s,      QString(),     u"New Ref"_s, u"B-1"_s, QString(), u"10"_s,   u"Consultant"_s};
        if (fields.size() > row.size())
            row.append(assessable);
        testsupport::loadRows(*m_bed.window, u"VATTRANSACTIONS"_s, fields, {row});
        vouchers::PostVATTransaction(*m_bed.window);

        QCOMPARE(testsupport::reportedErrors(*m_bed.prompter), QStringList());
        const QList<tallysim::RecordedRequest> requests = m_bed.server->requests();
        if (bill.isEmpty()) {
            QCOMPARE(requests.size(), 0);
            QCOMPARE(
                m_bed.window->workGrid().text(1, sources::ProcessStatusKey),
                u"ERROR: the column ASSESSABLEAMT holds \"%1\", which is not a number; not posted."_s.arg(assessable));
            return;
        }
        QCOMPARE(requests.size(), 1);
        const QByteArray body = requests.front().body;
        QCOMPARE(body.count("<TAXBILLALLOCATIONS.LIST>"), bill == u"TAXBILLALLOCATIONS.LIST"_s ? 1 : 0);
        QCOMPARE(body.count("<BILLALLOCATIONS.LIST>"), bill == u"BILLALLOCATIONS.LIST"_s ? 1 : 0);
    }

    // A row without a ledger adds its bill and cost row to the line above it (a foreign-currency invoice its cost
    // row only). One before the voucher's first ledger line, or one whose bill the type does not add, would lose
    // them, and keeps the voucher from the server, its last row naming the row and why.
    void rowWithoutItsLine_data()
    {
        QTest::addColumn<PostingProcedure>("procedure");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("status"); // of the voucher's last row; empty when the voucher goes out

        const QStringList party = invoiceRow(u"1"_s, {{u"Ledger"_s, u"Patel & Sons"_s}, {u"Debit"_s, u"5"_s}});
        const QStringList sales = invoiceRow(u"9"_s, {{u"Ledger"_s, u"Sales"_s}, {u"Credit"_s, u"5"_s}});
        const Cells bill{{u"AdjMethod"_s, u"New Ref"_s}, {u"AdjName"_s, u"S-1"_s}, {u"AdjAmount"_s, u"5"_s}};
        const Cells centre{{u"CostCentre"_s, u"Counter"_s}, {u"CostAmount"_s, u"5"_s}};
        const Cells serviceTax{{u"AssessableAmt"_s, u"100"_s}, {u"ServiceTaxOn"_s, u"Consultant"_s}};
        const QString noLineAbove =
            u"ERROR: row 1 gives %1 but no ledger line stands above it in its voucher; the voucher was not sent"_s;
        const PostingProcedure vat = &vouchers::PostVATTransaction;
        const PostingProcedure forex = &vouchers::PostVATTransactionMC;

        QTest::newRow("VAT: a bill before any line")
            << vat << QList{invoiceRow(u"0"_s, bill), party, sales} << noLineAbove.arg(u"a bill"_s);
        QTest::newRow("VAT: a service-tax bill before any line")
            << vat << QList{invoiceRow(u"0"_s, bill + serviceTax), party, sales}
            << noLineAbove.arg(u"a service-tax bill"_s);
        QTest::newRow("VAT: a cost centre before any line")
            << vat << QList{invoiceRow(u"0"_s, centre), party, sales} << noLineAbove.arg(u"a cost centre"_s);
        QTest::newRow("VAT: a bill and cost centre of the line above")
            << vat << QList{party, invoiceRow(u"2"_s, bill + centre), sales} << QString();
        QTest::newRow("foreign currency: a cost centre before any line")
            << forex << QList{invoiceRow(u"0"_s, centre), party, sales} << noLineAbove.arg(u"a cost centre"_s);
        QTest::newRow("foreign currency: a bill without a ledger")
            << forex << QList{party, invoiceRow(u"2"_s, bill), sales}
            << u"ERROR: row 2 gives a bill but no LEDGER, and a row without one adds only its cost centre to the line "
               u"above; the voucher was not sent"_s;
        QTest::newRow("foreign currency: a cost centre of the line above")
            << forex << QList{party, invoiceRow(u"2"_s, centre), sales} << QString();
    }
    void rowWithoutItsLine()
    {
        QFETCH(PostingProcedure, procedure);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, status);

        testsupport::loadRows(
            *m_bed.window, procedure == &vouchers::PostVATTransaction ? u"VATTRANSACTIONS"_s : u"VATTRANSACTIONSMC"_s,
            invoiceFields, rows);
        procedure(*m_bed.window);

        m_bed.verifySentOrRefused(int(rows.size()), status);
    }

    // A foreign-currency invoice's bill of 0 is left out as a bill of 0 in one currency is, with or without the
    // currency columns; any other amount goes out in two currencies.
    void billInTwoCurrencies_data()
    {
        QTest::addColumn<bool>("currencies");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("sent"); // the bill's amount, empty when it is left out

        QTest::newRow("0") << true << u"0"_s << QString();
        QTest::newRow("empty") << true << QString() << QString();
        QTest::newRow("5") << true << u"5"_s << u"-USD5.000 @ INR2.500/USD = -INR 12.5"_s;
        QTest::newRow("no currency columns, 0") << false << u"0"_s << QString();
        QTest::newRow("no currency columns, 5") << false << u"5"_s << u"-5.000 @ / = - 0"_s;
    }
    void billInTwoCurrencies()
    {
        QFETCH(bool, currencies);
        QFETCH(QString, amount);
        QFETCH(QString, sent);

        QList<QStringList> rows{invoiceRow(u"1"_s, {{u"Ledger"_s, u"Foreign Buyer"_s},
                                                    {u"Debit"_s, u"5"_s},
                                                    {u"AdjName"_s, u"E-1"_s},
                                                    {u"AdjAmount"_s, amount}}),
                                invoiceRow(u"2"_s, {{u"Ledger"_s, u"Export Sales"_s}, {u"Credit"_s, u"5"_s}})};
        QStringList fields = invoiceFields;
        if (!currencies) {
            for (const QString &field : {u"VchCurrency"_s, u"BaseCurrency"_s, u"ExchangeRate"_s}) {
                const qsizetype column = fields.indexOf(field);
                fields.removeAt(column);
                for (QStringList &row : rows)
                    row.removeAt(column);
            }
        }
        testsupport::loadRows(*m_bed.window, u"VATTRANSACTIONSMC"_s, fields, rows);
        vouchers::PostVATTransactionMC(*m_bed.window);

        QCOMPARE(testsupport::reportedErrors(*m_bed.prompter), QStringList());
        QCOMPARE(m_bed.server->requests().size(), 1);
        const QByteArray body = m_bed.server->requests().front().body;
        QCOMPARE(body.count("<BILLALLOCATIONS.LIST>"), sent.isEmpty() ? 0 : 1);
        if (!sent.isEmpty())
            QVERIFY2(body.contains(QByteArray("<AMOUNT>" + sent.toUtf8() + "</AMOUNT>")), body.constData());
    }

    // The two-currency texts of a foreign-currency invoice, from the cells as a row reads them: the exchange rate
    // in AmountFormat, an amount in its column's format. A unit makes the item's rate text instead.
    void forexTexts_data()
    {
        QTest::addColumn<QString>("voucherCurrency");
        QTest::addColumn<QString>("baseCurrency");
        QTest::addColumn<QString>("rateCell");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("sign");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("text");

        const QString usd = u"USD"_s;
        const QString inr = u"INR"_s;
        QTest::newRow("credit") << usd << inr << u"2.5"_s << u"10.000"_s << u""_s << u""_s
                                << u"USD10.000 @ INR2.500/USD = INR 25"_s;
        QTest::newRow("debit") << usd << inr << u"2.5"_s << u"10.000"_s << u"-"_s << u""_s
                               << u"-USD10.000 @ INR2.500/USD = -INR 25"_s;
        QTest::newRow("item rate") << usd << inr << u"2.5"_s << u"4.000"_s << u""_s << u"Nos"_s
                                   << u"USD4.000 = INR 10/Nos"_s;
        QTest::newRow("rate used with three decimals")
            << usd << inr << u"2.5678"_s << u"10.000"_s << u""_s << u""_s << u"USD10.000 @ INR2.568/USD = INR 25.68"_s;
        QTest::newRow("base amount keeps its decimals")
            << usd << inr << u"2.125"_s << u"3.000"_s << u""_s << u""_s << u"USD3.000 @ INR2.125/USD = INR 6.375"_s;
        QTest::newRow("fifteen significant digits") << usd << inr << u"1.001"_s << u"1234567890.123"_s << u""_s << u""_s
                                                    << u"USD1234567890.123 @ INR1.001/USD = INR 1235802458.01312"_s;
        QTest::newRow("large amount without exponent")
            << usd << inr << u"2.5"_s << u"100000000000000000000.000"_s << u""_s << u""_s
            << u"USD100000000000000000000.000 @ INR2.500/USD = INR 250000000000000000000"_s;
        // The sign negates the number: a negative debit amount is written with no sign at all.
        QTest::newRow("negative debit") << usd << inr << u"2.5"_s << u"-10.000"_s << u"-"_s << u""_s
                                        << u"USD10.000 @ INR2.500/USD = INR 25"_s;
        QTest::newRow("zero debit") << usd << inr << u"2.5"_s << u"0.000"_s << u"-"_s << u""_s
                                    << u"USD0.000 @ INR2.500/USD = INR 0"_s;
        QTest::newRow("negative credit") << usd << inr << u"2.5"_s << u"-10.000"_s << u""_s << u""_s
                                         << u"USD-10.000 @ INR2.500/USD = INR -25"_s;
        QTest::newRow("zero rate") << usd << inr << u"0"_s << u"10.000"_s << u""_s << u""_s
                                   << u"USD10.000 @ INR0.000/USD = INR 0"_s;
        // A source without the currency columns leaves their places empty.
        QTest::newRow("no currency columns")
            << u""_s << u""_s << u""_s << u"100.000"_s << u""_s << u""_s << u"100.000 @ / =  0"_s;
        QTest::newRow("no currency columns, debit")
            << u""_s << u""_s << u""_s << u"100.000"_s << u"-"_s << u""_s << u"-100.000 @ / = - 0"_s;
    }
    void forexTexts()
    {
        QFETCH(QString, voucherCurrency);
        QFETCH(QString, baseCurrency);
        QFETCH(QString, rateCell);
        QFETCH(QString, amount);
        QFETCH(QString, sign);
        QFETCH(QString, unit);
        QFETCH(QString, text);

        const vouchers::Currencies currencies{
            voucherCurrency, baseCurrency,
            rateCell.isEmpty() ? QString() : vouchers::cellInForm(rateCell, vouchers::CellForm::Amount)};
        QCOMPARE(unit.isEmpty() ? vouchers::ForexAmountText(currencies, amount, sign)
                                : vouchers::ForexRateText(currencies, amount, unit),
                 text);
    }

    // A cell of a number column that is no number keeps its voucher from the server: the voucher's last row says
    // which column holds what, no error is reported, and the next voucher posts. A quantity that begins with a
    // number goes as it stands.
    void numberColumnsHoldNumbers_data()
    {
        QTest::addColumn<PostingProcedure>("procedure");
        QTest::addColumn<QString>("listText");
        QTest::addColumn<int>("row"); // of the first voucher's two
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("status"); // of the first voucher's last row: empty when it was posted

        const QString held = u"ERROR: the column %1 holds \"%2\", which is not a number; not posted."_s;
        auto vat = [&](const char *name, int row, const QString &column, const QString &cell, const QString &status) {
            QTest::newRow(name) << &vouchers::PostVATTransaction << u"VATTRANSACTIONS"_s << row << column << cell
                                << status;
        };
        vat("decimal comma in a debit", 1, u"Debit"_s, u"1,5"_s, held.arg(u"DEBIT"_s, u"1,5"_s));
        vat("brackets in a credit", 2, u"Credit"_s, u"(100)"_s, held.arg(u"CREDIT"_s, u"(100)"_s));
        vat("currency before a bill amount", 1, u"AdjAmount"_s, u"Rs 100"_s, held.arg(u"ADJAMOUNT"_s, u"Rs 100"_s));
        vat("word for a quantity", 2, u"Quantity"_s, u"two"_s, held.arg(u"QUANTITY"_s, u"two"_s));
        vat("NaN for a rate", 2, u"Rate"_s, u"NaN"_s, held.arg(u"RATE"_s, u"NaN"_s));
        vat("tax rate without a number", 2, u"TaxRate"_s, u"VAT%"_s, held.arg(u"TAXRATE"_s, u"VAT%"_s));
        vat("quantity with its unit", 2, u"Quantity"_s, u"2 Nos"_s, QString());
        QTest::newRow("exchange rate beyond fifteen digits")
            << &vouchers::PostVATTransactionMC << u"VATTRANSACTIONSMC"_s << 2 << u"ExchangeRate"_s << u"1E20"_s
            << held.arg(u"EXCHANGERATE"_s, u"1E20"_s);
    }
    void numberColumnsHoldNumbers()
    {
        QFETCH(PostingProcedure, procedure);
        QFETCH(QString, listText);
        QFETCH(int, row);
        QFETCH(QString, column);
        QFETCH(QString, cell);
        QFETCH(QString, status);

        const QStringList fields{u"VchType"_s,   u"VchDate"_s, u"VchNo"_s,        u"SrNo"_s,     u"RefNo"_s,
                                 u"Narration"_s, u"Ledger"_s,  u"Debit"_s,        u"Credit"_s,   u"AdjMethod"_s,
                                 u"AdjName"_s,   u"AdjDate"_s, u"AdjAmount"_s,    u"ItemName"_s, u"Quantity"_s,
                                 u"Unit"_s,      u"TaxRate"_s, u"ExchangeRate"_s, u"Rate"_s};
        const QString s = u"Sales"_s;
        const QString d = u"20240401"_s;
        QList<QStringList> rows{{s,
                                 d,
                                 u"1"_s,
                                 u"1"_s,
                                 u"S-1"_s,
                                 s,
                                 u"Patel & Sons"_s,
                                 u"100"_s,
                                 {},
                                 u"New Ref"_s,
                                 u"S-1"_s,
                                 {},
                                 u"100"_s,
                                 {},
                                 {},
                                 {},
                                 {},
                                 u"2.5"_s,
                                 {}},
                                {s,
                                 d,
                                 u"1"_s,
                                 u"2"_s,
                                 u"S-1"_s,
                                 s,
                                 s,
                                 {},
                                 u"100"_s,
                                 {},
                                 {},
                                 {},
                                 {},
                                 u"Widget"_s,
                                 u"2"_s,
                                 u"Nos"_s,
                                 u"12.5%"_s,
                                 u"2.5"_s,
                                 u"50"_s},
                                {s,
                                 d,
                                 u"2"_s,
                                 u"1"_s,
                                 u"S-2"_s,
                                 s,
                                 u"Patel & Sons"_s,
                                 u"200"_s,
                                 {},
                                 u"New Ref"_s,
                                 u"S-2"_s,
                                 {},
                                 u"200"_s,
                                 {},
                                 {},
                                 {},
                                 {},
                                 u"2.5"_s,
                                 {}},
                                {s,
                                 d,
                                 u"2"_s,
                                 u"2"_s,
                                 u"S-2"_s,
                                 s,
                                 s,
                                 {},
                                 u"200"_s,
                                 {},
                                 {},
                                 {},
                                 {},
                                 u"Widget"_s,
                                 u"4"_s,
                                 u"Nos"_s,
                                 u"12.5%"_s,
                                 u"2.5"_s,
                                 u"50"_s}};
        rows[row - 1][fields.indexOf(column)] = cell;
        testsupport::loadRows(*m_bed.window, listText, fields, rows);
        procedure(*m_bed.window);

        QCOMPARE(testsupport::reportedErrors(*m_bed.prompter), QStringList());
        QStringList references;
        for (const tallysim::RecordedRequest &request : m_bed.server->requests()) {
            const qsizetype from = request.body.indexOf("<REFERENCE>S-");
            QVERIFY(from >= 0);
            references.append(QString::fromUtf8(request.body.mid(from + 11, 3)));
        }
        const sources::WorkGrid &grid = m_bed.window->workGrid();
        if (status.isEmpty()) {
            QCOMPARE(references, (QStringList{u"S-1"_s, u"S-2"_s}));
        } else {
            QCOMPARE(references, QStringList{u"S-2"_s});
            QCOMPARE(grid.text(2, sources::ProcessStatusKey), status);
        }
        QCOMPARE(grid.text(4, sources::ProcessStatusKey).left(7), u"CREATED"_s);
    }

    // A base amount beyond what a double holds ends the run rather than going out as "inf".
    void baseAmountOverflow()
    {
        const vouchers::Currencies currencies{u"USD"_s, u"INR"_s, u"2.500"_s};
        QVERIFY_THROWS_EXCEPTION(errors::RuntimeError,
                                 vouchers::baseAmount(currencies, u"1"_s + QString(400, QLatin1Char('0'))));
        QVERIFY_THROWS_EXCEPTION(errors::RuntimeError,
                                 vouchers::baseAmount({u"USD"_s, u"INR"_s, u"1"_s + QString(300, QLatin1Char('0'))},
                                                      u"1"_s + QString(300, QLatin1Char('0'))));
    }

private:
    testsupport::PostingBed m_bed;
};

QTEST_GUILESS_MAIN(TestVatInvoices)
#include "testvatinvoices.moc"
