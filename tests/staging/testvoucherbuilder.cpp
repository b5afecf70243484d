#include "staging/stagingconstants.h"
#include "staging/stagingstore.h"
#include "staging/voucherbuilder.h"
#include "stagingfile.h"
#include "support/golden.h"
#include "support/reportederrors.h"
#include "support/testbed.h"
#include "tally/tallyconstants.h"

#include <QFile>
#include <QTest>

#include <pugixml.hpp>

#include <memory>
#include <tuple>

using namespace staging;
using namespace Qt::StringLiterals;
using testsupport::compareWithGolden;
using testsupport::reportedError;
using testsupport::reportedErrors;
using testsupport::reportedLocations;

using Stage = void (*)(StagingStore &, const QString &company);
Q_DECLARE_METATYPE(Stage)
// Makes the staging file of the program folder unusable to the store.
using Spoil = void (*)(StagingStore &, const testsupport::TestEnvironment &);
Q_DECLARE_METATYPE(Spoil)

namespace {

const QString company = u"O'Brien & Söhne <Pune>"_s;
const QString vch = u"1"_s;

// An element as one line: "NAME=text" for a value, "NAME(child,child)" for a list, attributes in brackets.
QString render(const pugi::xml_node &node)
{
    QString text = QString::fromUtf8(node.name());
    QStringList attributes;
    for (const pugi::xml_attribute &attribute : node.attributes())
        attributes.append(QString::fromUtf8(attribute.name()) + u'=' + QString::fromUtf8(attribute.value()));
    if (!attributes.isEmpty())
        text += u'[' + attributes.join(u',') + u']';
    QStringList children;
    for (const pugi::xml_node &child : node.children()) {
        if (child.type() == pugi::node_element)
            children.append(render(child));
    }
    if (!children.isEmpty())
        return text + u'(' + children.join(u',') + u')';
    if (*node.text().get() != '\0')
        return text + u'=' + QString::fromUtf8(node.text().get());
    return text + u"()"_s;
}

LedgerEntryRec ledgerLine(const QString &name, const QString &amount, const QString &deemedPositive)
{
    LedgerEntryRec line;
    line.LedgerName = name;
    line.IsDeemedPositive = deemedPositive;
    line.LedgerFromItem = u"No"_s;
    line.RemoveZeroEntries = u"No"_s;
    line.IsPartyLedger = deemedPositive == u"Yes"_s ? u"Yes"_s : u"No"_s;
    line.Amount = amount;
    return line;
}

VoucherRec voucherHeader(const QString &type, const QString &number, const QString &date)
{
    VoucherRec voucher;
    voucher.Date = date;
    voucher.EffectiveDate = date;
    voucher.GUID = type + u'-' + number + u'-' + date;
    voucher.VoucherTypeName = type;
    voucher.VoucherNumber = number;
    voucher.Reference = u"REF-"_s + number;
    voucher.Narration = u"Staged by Pelko"_s;
    for (QString VoucherRec::*flag :
         {&VoucherRec::DiffActualQty, &VoucherRec::Audited, &VoucherRec::ForJobCosting, &VoucherRec::IsOptional,
          &VoucherRec::UseForCompound, &VoucherRec::UseForGainLoss, &VoucherRec::UseForGodownTransfer,
          &VoucherRec::UseForInterest, &VoucherRec::UseTrackingNumber, &VoucherRec::IsCancelled,
          &VoucherRec::IsPostDated, &VoucherRec::MFGJournal, &VoucherRec::HasDiscounts, &VoucherRec::AsPayslip,
          &VoucherRec::IsDeleted})
        voucher.*flag = u"No"_s;
    return voucher;
}

InventoryEntryRec item(const QString &name, const QString &deemedPositive, const QString &rate, const QString &amount,
                       const QString &quantity)
{
    return InventoryEntryRec{.StockItemName = name,
                             .IsDeemedPositive = deemedPositive,
                             .IsAutoNigate = u"No"_s,
                             .Rate = rate,
                             .Amount = amount,
                             .ActualQty = quantity,
                             .BilledQty = quantity};
}

BatchAllocationRec batch(const QString &godown, const QString &name, const QString &amount, const QString &quantity)
{
    BatchAllocationRec batch;
    batch.GodownName = godown;
    batch.BatchName = name;
    batch.Amount = amount;
    batch.ActualQty = quantity;
    batch.BilledQty = quantity;
    batch.DestinationGodownName = u"Dispatch Bay"_s;
    return batch;
}

// A sales invoice with every header field, the party's and the consignee's address, order terms, two delivery
// notes and an order, for the company open in Tally.
void stageHeaderRichVoucher(StagingStore &store, const QString &company)
{
    VoucherRec voucher = voucherHeader(u"Sales"_s, u"S-101"_s, u"20240405"_s);
    voucher.PartyLedgerName = u"Sundry Debtor"_s;
    voucher.PartyName = u"Mehta & Mehta"_s;
    voucher.BasePartyName = u"Mehta & Mehta"_s;
    voucher.BasicBuyerName = u"Mehta Retail"_s;
    voucher.BasicShippedBy = u"Blue Dart"_s;
    voucher.BasicShipDocumentNo = u"BD-778"_s;
    voucher.BasicFinalDestination = u"Pune"_s;
    voucher.BasicDueDateOfPymt = u"30 Days"_s;
    voucher.BasicOrderRef = u"PO-55"_s;
    voucher.BasicBuyersSalesTaxNo = u"27AAACM1234F1Z5"_s;
    voucher.HasCashFlow = u"No"_s;
    voucher.IsInvoice = u"Yes"_s;
    voucher.AsOriginal = u"Yes"_s;
    QVERIFY(store.SaveVoucher(company, voucher, vch));
    QVERIFY(store.SaveAddress(company, u"Pune 411001"_s, vch, u"10"_s));
    QVERIFY(store.SaveAddress(company, u"12 M.G. Road"_s, vch, u"1"_s));
    QVERIFY(store.SaveAddress(company, u"Camp \"East\""_s, vch, u"2"_s));
    QVERIFY(store.SaveBasicBuyerAddress(company, u"Plot 4, MIDC"_s, vch, u"1"_s));
    QVERIFY(store.SaveBasicBuyerAddress(company, u"Bhosari <Pune>"_s, vch, u"2"_s));
    QVERIFY(store.SaveBasicOrderTerms(company, u"Delivery within 7 days"_s, vch, u"1"_s));
    QVERIFY(store.SaveBasicOrderTerms(company, QString(), vch, u"2"_s));
    QVERIFY(store.SaveInvoiceDelNotes(company, {u"20240403"_s, u"DN-1"_s}, vch, u"1"_s));
    QVERIFY(store.SaveInvoiceDelNotes(company, {u"20240404"_s, u"DN-2"_s}, vch, u"2"_s));
    QVERIFY(store.SaveInvoiceOrderList(company, {u"20240401"_s, u"PO-55"_s}, vch, u"1"_s));
    QVERIFY(store.SaveLedgerEntry(company, ledgerLine(u"Sundry Debtor"_s, u"-1000"_s, u"Yes"_s), vch, u"1"_s));
    QVERIFY(store.SaveLedgerEntry(company, ledgerLine(u"Sales"_s, u"1000.000"_s, u"No"_s), vch, u"2"_s));
}

// Ledger lines with cost centres, bills, a tax bill and rates: categories A, A, B; bills 100, 0 and 50.
void stageLedgerVoucher(StagingStore &store, const QString &company)
{
    QVERIFY(store.SaveVoucher(company, voucherHeader(u"Journal"_s, u"J-7"_s, u"20240410"_s), vch));
    LedgerEntryRec debtor = ledgerLine(u"Sundry Debtor"_s, u"-150"_s, u"Yes"_s);
    debtor.Narration = u"Two bills and a credit note"_s;
    QVERIFY(store.SaveLedgerEntry(company, debtor, vch, u"1"_s));
    int id = 0;
    for (const auto &[category, centre, amount] :
         {std::tuple{u"Regions"_s, u"North"_s, u"-100"_s}, std::tuple{u"Regions"_s, u"South"_s, u"-20"_s},
          std::tuple{u"Projects"_s, u"Alpha"_s, u"-30"_s}})
        QVERIFY(store.SaveCategoryAllocations(company, {category, centre, amount}, vch, u"1"_s, QString::number(++id)));
    id = 0;
    for (const QString &amount : {u"-100"_s, u"0.000"_s, u"-50"_s}) {
        BillAllocationRec bill;
        bill.Name = u"INV-"_s + QString::number(++id);
        bill.BillCreditPeriod = u"30 Days"_s;
        bill.BillType = u"New Ref"_s;
        bill.Amount = amount;
        QVERIFY(store.SaveBillAllocation(company, bill, vch, u"1"_s, QString::number(id)));
    }
    TaxBillAllocationRec taxBill;
    taxBill.Name = u"TB-1"_s;
    taxBill.BillType = u"New Ref"_s;
    taxBill.IsInputAvail = u"Yes"_s;
    taxBill.IsPureAgentBill = u"No"_s;
    taxBill.Amount = u"0"_s;
    taxBill.AbatementNotificationNo = u"1/2006"_s;
    QVERIFY(store.SaveTaxBillAllocation(company, taxBill, vch, u"1"_s, u"1"_s));

    LedgerEntryRec vat = ledgerLine(u"Output VAT 12.5%"_s, u"12.5"_s, u"No"_s);
    vat.BasicRateOfInvoiceTax = u"12.5%"_s;
    vat.VATAssessableValue = u"100"_s;
    QVERIFY(store.SaveLedgerEntry(company, vat, vch, u"10"_s));
    LedgerEntryRec cst = ledgerLine(u"CST"_s, u"137.5"_s, u"No"_s);
    cst.BasicRateOfInvoiceTax = u"%4"_s;
    cst.VATAssessableValue = u"0.000"_s;
    cst.TDSPartyName = u"Sundry Debtor"_s;
    QVERIFY(store.SaveLedgerEntry(company, cst, vch, u"2"_s));
}

// Two item lines, each with its sales allocation and a batch, and the party's ledger line.
void stageItemInvoice(StagingStore &store, const QString &company)
{
    QVERIFY(store.SaveVoucher(company, voucherHeader(u"Sales"_s, u"S-102"_s, u"20240411"_s), vch));
    QVERIFY(store.SaveLedgerEntry(company, ledgerLine(u"Sundry Debtor"_s, u"-646.875"_s, u"Yes"_s), vch, u"1"_s));
    QVERIFY(store.SaveLedgerEntry(company, ledgerLine(u"Output VAT"_s, u"71.875"_s, u"No"_s), vch, u"2"_s));
    const std::tuple<QString, QString, QString, QString> lines[] = {
        {u"Widget"_s, u"25/Nos"_s, u"500"_s, u"20 Nos"_s},
        {u"Gear \"Large\""_s, u"7.5/Nos"_s, u"75"_s, u"10 Nos"_s},
    };
    int id = 0;
    for (const auto &[name, rate, amount, quantity] : lines) {
        const QString entry = QString::number(++id);
        QVERIFY(store.SaveInventoryEntry(company, item(name, u"No"_s, rate, amount, quantity), vch, entry));
        AccountingAllocationRec allocation;
        allocation.LedgerName = u"Sales"_s;
        allocation.IsDeemedPositive = u"No"_s;
        allocation.LedgerFromItem = u"No"_s;
        allocation.RemoveZeroEntries = u"No"_s;
        allocation.IsPartyLedger = u"No"_s;
        allocation.Amount = amount;
        allocation.VATAssessableValue = id == 1 ? amount : u"0"_s;
        allocation.BasicRateOfInvoiceTax = id == 1 ? u"12.5%"_s : u"%4"_s;
        QVERIFY(store.SaveAccountingAllocation(company, allocation, vch, entry, u"1"_s));
        QVERIFY(store.SaveBatchAllocation(company, batch(u"Main Location"_s, u"B-"_s + entry, amount, quantity), vch,
                                          entry, u"1"_s));
    }
}

// Inward lines 1 and 3 and outward line 2 of one counter, each with a batch.
void stageStockJournal(StagingStore &store, const QString &company)
{
    QVERIFY(store.SaveVoucher(company, voucherHeader(u"Stock Journal"_s, u"SJ-3"_s, u"20240412"_s), vch));
    QVERIFY(store.SaveInventoryEntryIN(company, item(u"Widget"_s, u"Yes"_s, u"25/Nos"_s, u"-250"_s, u"10 Nos"_s), vch,
                                       u"1"_s));
    QVERIFY(
        store.SaveInventoryEntryOut(company, item(u"Steel"_s, u"No"_s, u"50/Kg"_s, u"250"_s, u"5 Kg"_s), vch, u"2"_s));
    QVERIFY(
        store.SaveInventoryEntryIN(company, item(u"Scrap"_s, u"Yes"_s, QString(), QString(), u"1 Kg"_s), vch, u"3"_s));
    QVERIFY(store.SaveBatchAllocation(company, batch(u"Shop Floor"_s, u"W-1"_s, u"-250"_s, u"10 Nos"_s), vch, u"1"_s,
                                      u"1"_s));
    QVERIFY(store.SaveBatchAllocation(company, batch(u"Stores"_s, u"S-9"_s, u"250"_s, u"5 Kg"_s), vch, u"2"_s, u"1"_s));
    QVERIFY(store.SaveBatchAllocation(company, batch(u"Shop Floor"_s, u"X-1"_s, QString(), u"1 Kg"_s), vch, u"3"_s,
                                      u"1"_s));
}

// A count of one item: name, direction and quantity only, with its batch.
void stagePhysicalStock(StagingStore &store, const QString &company)
{
    QVERIFY(store.SaveVoucher(company, voucherHeader(u"Physical Stock"_s, u"PS-1"_s, u"20240430"_s), vch));
    InventoryEntryRec count;
    count.StockItemName = u"Widget"_s;
    count.IsDeemedPositive = u"Yes"_s;
    count.ActualQty = u"42 Nos"_s;
    QVERIFY(store.SaveAllInventoryEntry(company, count, vch, u"1"_s));
    BatchAllocationRec counted;
    counted.GodownName = u"Main Location"_s;
    counted.BatchName = u"B-1"_s;
    counted.ActualQty = u"42 Nos"_s;
    QVERIFY(store.SaveBatchAllocation(company, counted, vch, u"1"_s, u"1"_s));
}

} // namespace

class TestVoucherBuilder final : public testsupport::TestBed<>
{
    Q_OBJECT

private slots:
    void init()
    {
        startBed();
        m_server = std::make_unique<testsupport::SimulatedServer>(
            tallysim::Config{{company},
                             company,
                             {u"Sundry Debtor"_s, u"Sales"_s, u"Output VAT"_s, u"Output VAT 12.5%"_s, u"CST"_s},
                             {u"Widget"_s, u"Gear \"Large\""_s, u"Steel"_s, u"Scrap"_s}});
        m_server->configureSettings();
        m_store = std::make_unique<StagingStore>();
    }
    void cleanup()
    {
        m_store.reset();
        stopBed();
    }

    // One voucher of each kind, byte for byte as the server receives it: read from the file, and kept by the store
    // since the company's clean-up, in which case its rows are in the file, committed, once the answer has come.
    void goldenRequests_data()
    {
        QTest::addColumn<Stage>("stage");
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("golden");
        QTest::addColumn<bool>("cleared");
        const std::tuple<const char *, Stage, QString, QString> vouchers[] = {
            {"header", &stageHeaderRichVoucher, QString::fromLatin1(tally::currentlySelectedCompany),
             u"header.request.xml"_s},
            {"ledger entries", &stageLedgerVoucher, company, u"ledger-entries.request.xml"_s},
            {"item invoice", &stageItemInvoice, company, u"item-invoice.request.xml"_s},
            {"stock journal", &stageStockJournal, company, u"stock-journal.request.xml"_s},
            {"physical stock", &stagePhysicalStock, company, u"physical-stock.request.xml"_s},
        };
        for (const auto &[name, stage, company, golden] : vouchers) {
            QTest::addRow("%s", name) << stage << company << golden << false;
            QTest::addRow("%s, kept", name) << stage << company << golden << true;
        }
    }
    void goldenRequests()
    {
        QFETCH(Stage, stage);
        QFETCH(QString, company);
        QFETCH(QString, golden);
        QFETCH(bool, cleared);
        if (cleared)
            QVERIFY(m_store->ClearCompanyStaging(company));
        stage(*m_store, company);
        const tally::TallyReply reply = PostStagedVoucher(*m_store, company, vch, u"Create"_s);
        QCOMPARE(reply.summary, u"CREATED"_s);
        QCOMPARE(reply.delivery, tally::Delivery::Answered);
        if (cleared) {
            m_store.reset();
            QCOMPARE(committedVouchers(), 1);
        }
        const QList<tallysim::RecordedRequest> requests = m_server->requests();
        QCOMPARE(requests.size(), 1);
        compareWithGolden(requests.first().body, u"staging/"_s + golden);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // Once the server answers slowly, a kept voucher's rows are in the file, committed, by the time its answer
    // has come: nothing of the store holds the file while the next request is on the wire.
    void keptVouchersAreCommittedWhileSlowAnswersAreAwaited()
    {
        m_server->setMode(tallysim::Mode::Slow, 30);
        QVERIFY(m_store->ClearCompanyStaging(company));
        for (const QString &vchId : {u"1"_s, u"2"_s}) {
            QVERIFY(m_store->SaveVoucher(company, voucherHeader(u"Receipt"_s, u"R-"_s + vchId, u"20240401"_s), vchId));
            QVERIFY(m_store->SaveLedgerEntry(company, ledgerLine(u"Cash"_s, u"-10"_s, u"Yes"_s), vchId, u"1"_s));
            QCOMPARE(PostStagedVoucher(*m_store, company, vchId, u"Create"_s).summary, u"CREATED"_s);
        }
        QCOMPARE(committedVouchers(), 2);
    }

    // The server's answer comes back as its summary: created, altered under the same id, or refused.
    void returnsTheServersAnswer()
    {
        QVERIFY(m_store->SaveVoucher(company, voucherHeader(u"Receipt"_s, u"R-1"_s, u"20240401"_s), vch));
        QVERIFY(m_store->SaveLedgerEntry(company, ledgerLine(u"Cash"_s, u"-10"_s, u"Yes"_s), vch, u"1"_s));
        QCOMPARE(build(), u"CREATED"_s);
        QCOMPARE(build(), u"ALTERED"_s);
        QVERIFY(m_store->SaveLedgerEntry(company, ledgerLine(u"Donations"_s, u"10"_s, u"No"_s), vch, u"2"_s));
        const QString refused = build();
        QVERIFY2(refused.startsWith(u"ERRORS "_s) && refused.endsWith(u"Ledger 'Donations' does not exist! - "_s),
                 qPrintable(refused));
        QCOMPARE(m_server->requests().size(), 3);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // Lines come in the numeric order of their ids; an empty line adds nothing, an empty row of a list still makes
    // its list element; a voucher without a header row goes out bare.
    void listsFollowTheIdsAndKeepEmptyRows()
    {
        QVERIFY(m_store->SaveAddress(company, u"ten"_s, vch, u"10"_s));
        QVERIFY(m_store->SaveAddress(company, u"two"_s, vch, u"2"_s));
        QVERIFY(m_store->SaveAddress(company, QString(), vch, u"3"_s));
        QVERIFY(m_store->SaveAddress(company, u"one"_s, vch, u"1"_s));
        QVERIFY(m_store->SaveBasicBuyerAddress(company, QString(), vch, u"1"_s));
        QVERIFY(m_store->SaveInvoiceDelNotes(company, InvoiceDelNoteRec(), vch, u"1"_s));
        QVERIFY(m_store->SaveInvoiceOrderList(company, {u"20240401"_s, u"PO-2"_s}, vch, u"2"_s));
        QVERIFY(m_store->SaveInvoiceOrderList(company, {QString(), u"PO-10"_s}, vch, u"10"_s));
        QVERIFY(!build().isEmpty());
        QCOMPARE(renderedVoucher(),
                 u"VOUCHER(ADDRESS.LIST(ADDRESS=one,ADDRESS=two,ADDRESS=ten),BASICBUYERADDRESS.LIST(),"
                 "INVOICEDELNOTES.LIST(),INVOICEORDERLIST.LIST(BASICORDERDATE=20240401,BASICPURCHASEORDERNO=PO-2),"
                 "INVOICEORDERLIST.LIST(BASICPURCHASEORDERNO=PO-10))"_s);
    }

    // Without a date there is no DATE and no reference date; without an id the REMOTEID is empty and GUID left
    // out; a blank is a value, whose element is made (the request's layout keeps no text of white space alone);
    // the shipper stands twice.
    void headerLeavesOutOnlyEmptyValues()
    {
        VoucherRec voucher;
        voucher.EffectiveDate = u"20240401"_s;
        voucher.VoucherTypeName = u"Receipt"_s;
        voucher.Narration = u" "_s;
        voucher.BasicShippedBy = u"Road"_s;
        voucher.BasicShipDocumentNo = u"LR-1"_s;
        voucher.IsOptional = u"No"_s;
        QVERIFY(m_store->SaveVoucher(company, voucher, vch));
        QVERIFY(!build(u"Alter"_s).isEmpty());
        QCOMPARE(renderedVoucher(),
                 u"VOUCHER[REMOTEID=,VCHTYPE=Receipt,ACTION=Alter](EFFECTIVEDATE=20240401,VOUCHERTYPENAME=Receipt,"
                 "NARRATION(),BASICSHIPPEDBY=Road,BASICSHIPDOCUMENTNO=LR-1,BASICSHIPPEDBY=Road,ISOPTIONAL=No)"_s);
    }

    // The assessable value of a ledger entry or an allocation goes out unless it stands for nothing; that of an
    // all-ledger entry whenever it is set.
    void assessableValue_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("inLedgerEntry");
        QTest::addColumn<bool>("inAllLedgerEntry");
        QTest::addColumn<bool>("inAllocation");
        QTest::newRow("0") << u"0"_s << false << true << false;
        QTest::newRow("0.00") << u"0.00"_s << false << true << false;
        QTest::newRow("-0.000") << u"-0.000"_s << false << true << false;
        QTest::newRow("blank") << u" "_s << false << true << false;
        QTest::newRow("empty") << QString() << false << false << false;
        QTest::newRow("-250") << u"-250"_s << true << true << true;
        QTest::newRow("text") << u"abc"_s << true << true << true;
        QTest::newRow("two currencies") << u"-USD10.000 @ INR2.500/USD = -INR 25"_s << true << true << true;
        // A two-currency amount counts by its amount in the voucher currency.
        QTest::newRow("two currencies of 0") << u"USD0.000 @ INR2.500/USD = INR 0"_s << false << true << false;
        QTest::newRow("two currencies of -0") << u"-USD0.000 @ INR2.500/USD = -INR 0"_s << false << true << false;
        QTest::newRow("no currencies, 0") << u"0.000 @ / =  0"_s << false << true << false;
        QTest::newRow("two currencies at a rate of 0") << u"USD10.000 @ INR0.000/USD = INR 0"_s << true << true << true;
        QTest::newRow("two currencies, none an amount") << u"USD @ INR2.500/USD = INR 0"_s << true << true << true;
        QTest::newRow("other currency after the rate") << u"USD0.000 @ INR2.500/EUR = INR 0"_s << true << true << true;
        QTest::newRow("zero then text") << u"0 USD"_s << true << true << true;
    }
    void assessableValue()
    {
        QFETCH(QString, value);
        QFETCH(bool, inLedgerEntry);
        QFETCH(bool, inAllLedgerEntry);
        QFETCH(bool, inAllocation);
        LedgerEntryRec entry;
        entry.LedgerName = u"Sales"_s;
        entry.VATAssessableValue = value;
        QVERIFY(m_store->SaveLedgerEntry(company, entry, vch, u"1"_s));
        QVERIFY(m_store->SaveAllLedgerEntry(company, entry, vch, u"2"_s));
        QVERIFY(m_store->SaveInventoryEntry(company, InventoryEntryRec(), vch, u"3"_s));
        AccountingAllocationRec allocation;
        allocation.LedgerName = u"Sales"_s;
        allocation.VATAssessableValue = value;
        QVERIFY(m_store->SaveAccountingAllocation(company, allocation, vch, u"3"_s, u"1"_s));
        QVERIFY(!build().isEmpty());

        const QString element = u"VATASSESSABLEVALUE"_s;
        QCOMPARE(children("LEDGERENTRIES.LIST").first().contains(element), inLedgerEntry);
        QCOMPARE(children("ALLLEDGERENTRIES.LIST").first().contains(element), inAllLedgerEntry);
        QCOMPARE(children("ALLINVENTORYENTRIES.LIST").first().contains(element), inAllocation);
        if (inLedgerEntry)
            QCOMPARE(children("LEDGERENTRIES.LIST").first(),
                     u"LEDGERENTRIES.LIST(LEDGERNAME=Sales,VATASSESSABLEVALUE="_s + value + u')');
    }

    // A rate list goes out when the rate's number is above 0; ledger lines read it with every "%" taken out.
    void rateList_data()
    {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<bool>("inLedgerEntry");
        QTest::addColumn<bool>("inAllocation");
        QTest::newRow("12.5%") << u"12.5%"_s << true << true;
        QTest::newRow("%4") << u"%4"_s << true << false;
        QTest::newRow("4") << u"4"_s << true << true;
        QTest::newRow("0") << u"0"_s << false << false;
        QTest::newRow("0%") << u"0%"_s << false << false;
        QTest::newRow("-4") << u"-4"_s << false << false;
        QTest::newRow("%") << u"%"_s << false << false;
        QTest::newRow("empty") << QString() << false << false;
    }
    void rateList()
    {
        QFETCH(QString, rate);
        QFETCH(bool, inLedgerEntry);
        QFETCH(bool, inAllocation);
        LedgerEntryRec entry;
        entry.LedgerName = u"VAT"_s;
        entry.BasicRateOfInvoiceTax = rate;
        entry.TDSPartyName = u"Party"_s;
        QVERIFY(m_store->SaveLedgerEntry(company, entry, vch, u"1"_s));
        QVERIFY(m_store->SaveInventoryEntry(company, InventoryEntryRec(), vch, u"2"_s));
        AccountingAllocationRec allocation;
        allocation.LedgerName = u"VAT"_s;
        allocation.BasicRateOfInvoiceTax = rate;
        QVERIFY(m_store->SaveAccountingAllocation(company, allocation, vch, u"2"_s, u"1"_s));
        QVERIFY(!build().isEmpty());

        const QString list = u"BASICRATEOFINVOICETAX.LIST(BASICRATEOFINVOICETAX="_s + rate + u')';
        QCOMPARE(children("LEDGERENTRIES.LIST").first(), u"LEDGERENTRIES.LIST(LEDGERNAME=VAT,TDSPARTYNAME=Party"_s +
                                                             (inLedgerEntry ? u',' + list : QString()) + u')');
        QCOMPARE(children("ALLINVENTORYENTRIES.LIST").first().contains(list), inAllocation);
    }

    // Neighbouring cost centres of one category share a list; a list belongs to its own entry.
    void costCentres_data()
    {
        QTest::addColumn<QStringList>("firstEntry");
        QTest::addColumn<QStringList>("secondEntry");
        QTest::addColumn<QString>("lists");
        QTest::newRow("A A B") << QStringList{u"A"_s, u"A"_s, u"B"_s} << QStringList() << u"A:1,2 B:3"_s;
        QTest::newRow("A B A") << QStringList{u"A"_s, u"B"_s, u"A"_s} << QStringList() << u"A:1 B:2 A:3"_s;
        QTest::newRow("letter case") << QStringList{u"Sales"_s, u"SALES"_s} << QStringList() << u"Sales:1 SALES:2"_s;
        QTest::newRow("A then empty") << QStringList{u"A"_s, QString()} << QStringList() << u"A:1 -:2"_s;
        QTest::newRow("empty first") << QStringList{QString(), QString(), u"A"_s} << QStringList() << u"-:1,2 A:3"_s;
        QTest::newRow("each entry its own") << QStringList{u"A"_s} << QStringList{u"A"_s} << u"A:1 / A:2"_s;
        QTest::newRow("empty first in second entry")
            << QStringList{u"A"_s} << QStringList{QString(), u"A"_s} << u"A:1 / -:2 A:3"_s;
    }
    void costCentres()
    {
        QFETCH(QStringList, firstEntry);
        QFETCH(QStringList, secondEntry);
        QFETCH(QString, lists);
        int id = 0;
        for (const auto &[entry, categories] : {std::pair{u"1"_s, firstEntry}, std::pair{u"2"_s, secondEntry}}) {
            if (categories.isEmpty())
                continue;
            QVERIFY(m_store->SaveLedgerEntry(company, LedgerEntryRec(), vch, entry));
            for (const QString &category : categories) {
                ++id;
                QVERIFY(m_store->SaveCategoryAllocations(company, {category, QString::number(id), u"-1"_s}, vch, entry,
                                                         QString::number(id)));
            }
        }
        QVERIFY(!build().isEmpty());
        QCOMPARE(categoryLists(), lists);
    }

    // Under a ledger entry a bill goes out only for an amount that counts; under an all-ledger entry every bill.
    void bills()
    {
        const QStringList amounts{u"100"_s,
                                  u"0"_s,
                                  u"50"_s,
                                  u"-100"_s,
                                  QString(),
                                  u"0.000"_s,
                                  u"abc"_s,
                                  u"-USD10.000 @ INR2.500/USD = -INR 25"_s,
                                  u"-USD0.000 @ INR2.500/USD = -INR 0"_s,
                                  u"0.000 @ / =  0"_s};
        for (const QString &entry : {u"1"_s, u"2"_s}) {
            int id = 0;
            for (const QString &amount : amounts) {
                BillAllocationRec bill;
                bill.Name = QString::number(++id);
                bill.Amount = amount;
                QVERIFY(m_store->SaveBillAllocation(company, bill, vch, entry, QString::number(id)));
            }
        }
        QVERIFY(m_store->SaveLedgerEntry(company, LedgerEntryRec(), vch, u"1"_s));
        QVERIFY(m_store->SaveAllLedgerEntry(company, LedgerEntryRec(), vch, u"2"_s));
        QVERIFY(!build().isEmpty());
        QCOMPARE(billNames("LEDGERENTRIES.LIST"), u"1 3 4 7 8"_s);
        QCOMPARE(billNames("ALLLEDGERENTRIES.LIST"), u"1 2 3 4 5 6 7 8 9 10"_s);
    }

    // A child row goes under every entry of its voucher that carries its parent id, whatever the entry's table,
    // and under nothing else.
    void childrenJoinByIdOnly()
    {
        QVERIFY(m_store->SaveLedgerEntry(company, LedgerEntryRec(), vch, u"3"_s));
        QVERIFY(m_store->SaveAllLedgerEntry(company, LedgerEntryRec(), vch, u"3"_s));
        TaxBillAllocationRec taxBill;
        taxBill.Name = u"T"_s;
        QVERIFY(m_store->SaveTaxBillAllocation(company, taxBill, vch, u"3"_s, u"1"_s));
        BillAllocationRec bill;
        bill.Name = u"B"_s;
        bill.Amount = u"0"_s;
        QVERIFY(m_store->SaveBillAllocation(company, bill, vch, u"3"_s, u"1"_s));
        bill.Name = u"orphan"_s;
        QVERIFY(m_store->SaveBillAllocation(company, bill, vch, u"4"_s, u"1"_s));
        bill.Name = u"other voucher"_s;
        QVERIFY(m_store->SaveBillAllocation(company, bill, u"2"_s, u"3"_s, u"1"_s));
        bill.Name = u"other company"_s;
        QVERIFY(m_store->SaveBillAllocation(u"Pelko"_s, bill, vch, u"3"_s, u"1"_s));

        QVERIFY(m_store->SaveInventoryEntryIN(company, InventoryEntryRec(), vch, u"1"_s));
        QVERIFY(m_store->SaveInventoryEntryOut(company, InventoryEntryRec(), vch, u"1"_s));
        BatchAllocationRec batch;
        batch.BatchName = u"shared"_s;
        QVERIFY(m_store->SaveBatchAllocation(company, batch, vch, u"1"_s, u"1"_s));
        AccountingAllocationRec allocation;
        allocation.LedgerName = u"not under stock lines"_s;
        QVERIFY(m_store->SaveAccountingAllocation(company, allocation, vch, u"1"_s, u"1"_s));

        QVERIFY(!build().isEmpty());
        QCOMPARE(renderedVoucher(), u"VOUCHER(LEDGERENTRIES.LIST(TAXBILLALLOCATIONS.LIST(NAME=T)),"
                                    "ALLLEDGERENTRIES.LIST(BILLALLOCATIONS.LIST(NAME=B,AMOUNT=0),"
                                    "TAXBILLALLOCATIONS.LIST(NAME=T)),"
                                    "INVENTORYENTRIESIN.LIST(BATCHALLOCATIONS.LIST(BATCHNAME=shared)),"
                                    "INVENTORYENTRIESOUT.LIST(BATCHALLOCATIONS.LIST(BATCHNAME=shared)))"_s);
    }

    // Null columns of a file written elsewhere: a Null category continues its list, and a Null bill amount counts
    // as 0.
    void nullColumns()
    {
        QVERIFY(m_store->SaveLedgerEntry(company, LedgerEntryRec(), vch, u"1"_s));
        QVERIFY(m_store->SaveCategoryAllocations(company, {u"A"_s, u"1"_s, QString()}, vch, u"1"_s, u"1"_s));
        QVERIFY(m_store->SaveCategoryAllocations(company, {u"B"_s, u"2"_s, QString()}, vch, u"1"_s, u"2"_s));
        BillAllocationRec bill;
        bill.Name = u"no amount"_s;
        QVERIFY(m_store->SaveBillAllocation(company, bill, vch, u"1"_s, u"1"_s));
        m_store.reset();
        runOnStagingFile(m_env->programFile(QLatin1String(stagingFileName)),
                         {u"UPDATE CategoryAllocations SET Category_ = NULL WHERE CAID = '2'"_s,
                          u"UPDATE BillAllocation SET Amount_ = NULL"_s});
        m_store = std::make_unique<StagingStore>();

        QVERIFY(!build().isEmpty());
        QCOMPARE(categoryLists(), u"A:1,2"_s);
        QCOMPARE(billNames("LEDGERENTRIES.LIST"), QString());
        QVERIFY(reportedErrors(*m_prompter).isEmpty());
    }

    // A file that is not a database, or one deleted under the store while a voucher was being staged, stops the
    // build, reported once, with nothing sent.
    void reportsAnUnusableFile_data()
    {
        QTest::addColumn<Spoil>("spoil");
        QTest::newRow("not a database") << Spoil([](StagingStore &, const testsupport::TestEnvironment &env) {
            QFile file(env.programFile(QLatin1String(stagingFileName)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a database");
        });
        QTest::newRow("deleted under the store")
            << Spoil([](StagingStore &store, const testsupport::TestEnvironment &env) {
                   QVERIFY(store.SaveVoucher(company, voucherHeader(u"Sales"_s, u"1"_s, u"20240401"_s), vch));
                   QVERIFY(QFile::remove(env.programFile(QLatin1String(stagingFileName))));
                   QVERIFY(store.SaveLedgerEntry(company, ledgerLine(u"Sales"_s, u"10"_s, u"No"_s), vch, u"1"_s));
               });
    }
    void reportsAnUnusableFile()
    {
        QFETCH(Spoil, spoil);
        spoil(*m_store, *m_env);
        QCOMPARE(build(), QString());
        QCOMPARE(m_delivery, tally::Delivery::NotSent);
        QCOMPARE(reportedErrors(*m_prompter), QStringList{reportedError(locationPostStagedVoucher, errDatabase)});
        QVERIFY(m_server->requests().isEmpty());
    }

    // A server that cannot be reached: the send reports it, once, and the result says that no answer came.
    void reportsAServerThatIsDown()
    {
        QVERIFY(m_store->SaveVoucher(company, voucherHeader(u"Sales"_s, u"1"_s, u"20240401"_s), vch));
        m_server->stop();
        QCOMPARE(build(), u"ERROR: no answer from Tally (A connection with the server could not be established)"_s);
        QCOMPARE(m_delivery, tally::Delivery::NoAnswer);
        QCOMPARE(reportedLocations(*m_prompter), QStringList{QLatin1String(tally::locationSendTallyRequest)});
    }

private:
    // The vouchers the staging file holds, as another program sees them.
    int committedVouchers() const
    {
        return rowsOnStagingFile(m_env->programFile(QLatin1String(stagingFileName)), u"Voucher"_s);
    }
    // Builds and sends the voucher; the reply's summary, its delivery kept for the test to look at.
    QString build(const QString &action = u"Create"_s)
    {
        const tally::TallyReply reply = PostStagedVoucher(*m_store, company, vch, action);
        m_delivery = reply.delivery;
        return reply.summary;
    }
    // The VOUCHER element of the last request the server received, valid until the next call.
    pugi::xml_node lastVoucher()
    {
        const QList<tallysim::RecordedRequest> requests = m_server->requests();
        const QByteArray request = requests.isEmpty() ? QByteArray() : requests.last().body;
        m_lastRequest.load_buffer(request.constData(), std::size_t(request.size()));
        return m_lastRequest.select_node("//VOUCHER").node();
    }
    QString renderedVoucher() { return render(lastVoucher()); }
    // The VOUCHER element's children of that name, rendered.
    QStringList children(const char *name)
    {
        QStringList rendered;
        for (const pugi::xml_node &child : lastVoucher().children(name))
            rendered.append(render(child));
        return rendered;
    }

    // The category lists of each ledger entry as "CATEGORY:centre,centre" ("-" for none), entries split by "/".
    QString categoryLists()
    {
        QStringList entries;
        for (const pugi::xml_node &entry : lastVoucher().children("LEDGERENTRIES.LIST")) {
            QStringList lists;
            for (const pugi::xml_node &list : entry.children("CATEGORYALLOCATIONS.LIST")) {
                QStringList centres;
                for (const pugi::xml_node &centre : list.children("COSTCENTREALLOCATIONS.LIST"))
                    centres.append(QString::fromUtf8(centre.child_value("NAME")));
                const pugi::xml_node category = list.child("CATEGORY");
                lists.append((category ? QString::fromUtf8(category.text().get()) : u"-"_s) + u':' +
                             centres.join(u','));
            }
            entries.append(lists.join(u' '));
        }
        return entries.join(u" / "_s);
    }

    QString billNames(const char *entry)
    {
        QStringList names;
        for (const pugi::xml_node &bill : lastVoucher().child(entry).children("BILLALLOCATIONS.LIST"))
            names.append(QString::fromUtf8(bill.child_value("NAME")));
        return names.join(u' ');
    }

    std::unique_ptr<StagingStore> m_store;
    tally::Delivery m_delivery = tally::Delivery::NotSent;
    pugi::xml_document m_lastRequest;
};

QTEST_GUILESS_MAIN(TestVoucherBuilder)
#include "testvoucherbuilder.moc"
