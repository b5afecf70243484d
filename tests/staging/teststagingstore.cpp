#include "errors/errortrap.h"
#include "staging/stagingconstants.h"
#include "staging/stagingstore.h"
#include "staging/stagingtables.h"
#include "stagingfile.h"
#include "support/reportederrors.h"
#include "support/testbed.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstring>
#include <memory>

using namespace staging;
using namespace Qt::StringLiterals;
using testsupport::reportedError;
using testsupport::reportedErrors;

using Write = bool (*)(StagingStore &, const QString &company);
Q_DECLARE_METATYPE(Write)

namespace {

// A company name that no statement text could hold.
const QString oddCompany = QStringLiteral("O'Brien & Sons <Ltd> \"Ääkköset\" ₹");
const QString otherCompany = QStringLiteral("Other Traders");

const StagingTable &tableNamed(const QString &name)
{
    for (const StagingTable *table : stagingTables()) {
        if (name == QLatin1String(table->name))
            return *table;
    }
    qFatal("no such table");
}

StagedRows readRows(StagingStore &store, const StagingTable &table, const QString &company, const QString &vchId)
{
    const StagingTable *tables[] = {&table};
    return std::move(store.readVoucher(tables, company, vchId).front());
}

// The rows as "column=text|column=text", the columns given, Null shown as <null>.
QStringList rowTexts(const StagedRows &rows, const QStringList &columns)
{
    QStringList texts;
    for (qsizetype row = 0; row < rows.size(); ++row) {
        QStringList values;
        for (const QString &column : columns) {
            const int at = rows.column(column.toLatin1().constData());
            values.append(column + QLatin1Char('=') +
                          (rows.isNull(row, at) ? QStringLiteral("<null>") : rows.text(row, at)));
        }
        texts.append(values.join(QLatin1Char('|')));
    }
    return texts;
}

LedgerEntryRec ledger(const QString &name, const QString &amount = QString())
{
    LedgerEntryRec entry;
    entry.LedgerName = name;
    entry.Amount = amount;
    return entry;
}

} // namespace

class TestStagingStore final : public testsupport::TestBed<>
{
    Q_OBJECT

private slots:
    void init() { startBed(); }
    void cleanup() { stopBed(); }

    // Each writer puts every field of its record into the column of the field's name, with the keys it is given;
    // the columns no writer sets stay Null. Every field here holds its own name.
    void writersStoreEveryField_data()
    {
        QTest::addColumn<Write>("write");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("unwritten");

        QTest::newRow("SaveVoucher") << Write([](StagingStore &store, const QString &company) {
            const VoucherRec voucher{.AlterID = u"AlterID"_s,
                                     .AsOriginal = u"AsOriginal"_s,
                                     .AsPayslip = u"AsPayslip"_s,
                                     .Audited = u"Audited"_s,
                                     .BasePartyName = u"BasePartyName"_s,
                                     .BasicBuyerName = u"BasicBuyerName"_s,
                                     .BasicBuyersSalesTaxNo = u"BasicBuyersSalesTaxNo"_s,
                                     .BasicDueDateOfPymt = u"BasicDueDateOfPymt"_s,
                                     .BasicFinalDestination = u"BasicFinalDestination"_s,
                                     .BasicOrderRef = u"BasicOrderRef"_s,
                                     .BasicShippedBy = u"BasicShippedBy"_s,
                                     .BasicShipDocumentNo = u"BasicShipDocumentNo"_s,
                                     .Date = u"Date"_s,
                                     .DiffActualQty = u"DiffActualQty"_s,
                                     .EffectiveDate = u"EffectiveDate"_s,
                                     .ForJobCosting = u"ForJobCosting"_s,
                                     .GUID = u"GUID"_s,
                                     .HasCashFlow = u"HasCashFlow"_s,
                                     .HasDiscounts = u"HasDiscounts"_s,
                                     .IsCancelled = u"IsCancelled"_s,
                                     .IsDeleted = u"IsDeleted"_s,
                                     .IsInvoice = u"IsInvoice"_s,
                                     .IsOptional = u"IsOptional"_s,
                                     .IsPostDated = u"IsPostDated"_s,
                                     .MFGJournal = u"MFGJournal"_s,
                                     .Narration = u"Narration"_s,
                                     .PartyLedgerName = u"PartyLedgerName"_s,
                                     .PartyName = u"PartyName"_s,
                                     .Reference = u"Reference"_s,
                                     .UseForCompound = u"UseForCompound"_s,
                                     .UseForGainLoss = u"UseForGainLoss"_s,
                                     .UseForGodownTransfer = u"UseForGodownTransfer"_s,
                                     .UseForInterest = u"UseForInterest"_s,
                                     .UseTrackingNumber = u"UseTrackingNumber"_s,
                                     .VoucherTypeName = u"VoucherTypeName"_s,
                                     .VoucherNumber = u"VoucherNumber"_s};
            return store.SaveVoucher(company, voucher, u"7"_s);
        }) << "Voucher" << QStringList{u"BasicDateTimeOfInvoice_"_s, u"BasicDateTimeOfRemoval_"_s};

        QTest::newRow("SaveLedgerEntry") << Write([](StagingStore &store, const QString &company) {
            return store.SaveLedgerEntry(company, namedLedgerEntry(), u"7"_s, u"2"_s);
        }) << "LedgerEntry" << QStringList();
        QTest::newRow("SaveAllLedgerEntry") << Write([](StagingStore &store, const QString &company) {
            return store.SaveAllLedgerEntry(company, namedLedgerEntry(), u"7"_s, u"2"_s);
        }) << "AllLedgerEntry" << QStringList();
        QTest::newRow("SaveBillAllocation") << Write([](StagingStore &store, const QString &company) {
            const BillAllocationRec bill{.Name = u"Name"_s,
                                         .BillCreditPeriod = u"BillCreditPeriod"_s,
                                         .BillType = u"BillType"_s,
                                         .Amount = u"Amount"_s,
                                         .TDSDeducteeSectionNumber = u"TDSDeducteeSectionNumber"_s,
                                         .TDSLedgerNC = u"TDSLedgerNC"_s,
                                         .TDSDeducteeIsSpecialRate = u"TDSDeducteeIsSpecialRate"_s,
                                         .TDSDeducteeSpecialRate = u"TDSDeducteeSpecialRate"_s,
                                         .ServiceTaxLedger = u"ServiceTaxLedger"_s};
            return store.SaveBillAllocation(company, bill, u"7"_s, u"3"_s, u"2"_s);
        }) << "BillAllocation" << QStringList();
        QTest::newRow("SaveTaxBillAllocation") << Write([](StagingStore &store, const QString &company) {
            const TaxBillAllocationRec bill{.Name = u"Name"_s,
                                            .BillType = u"BillType"_s,
                                            .IsInputAvail = u"IsInputAvail"_s,
                                            .IsPureAgentBill = u"IsPureAgentBill"_s,
                                            .TDSTaxRate = u"TDSTaxRate"_s,
                                            .TDSSurcharge = u"TDSSurcharge"_s,
                                            .TDSAddlSurcharge = u"TDSAddlSurcharge"_s,
                                            .STSecondaryCessRate = u"STSecondaryCessRate"_s,
                                            .Amount = u"Amount"_s,
                                            .SurchargeAmount = u"SurchargeAmount"_s,
                                            .AddlSurchargeAmount = u"AddlSurchargeAmount"_s,
                                            .STSecondaryCessAmount = u"STSecondaryCessAmount"_s,
                                            .AssessableAmount = u"AssessableAmount"_s,
                                            .ExpenseAmount = u"ExpenseAmount"_s,
                                            .AbatementAmount = u"AbatementAmount"_s,
                                            .AbatementNotificationNo = u"AbatementNotificationNo"_s};
            return store.SaveTaxBillAllocation(company, bill, u"7"_s, u"3"_s, u"2"_s);
        }) << "TaxBillAllocation" << QStringList();
        QTest::newRow("SaveCategoryAllocations") << Write([](StagingStore &store, const QString &company) {
            const CategoryAllocationRec allocation{.Category = u"Category"_s, .Name = u"Name"_s, .Amount = u"Amount"_s};
            return store.SaveCategoryAllocations(company, allocation, u"7"_s, u"3"_s, u"2"_s);
        }) << "CategoryAllocations" << QStringList();
        QTest::newRow("SaveInventoryEntry") << Write([](StagingStore &store, const QString &company) {
            return store.SaveInventoryEntry(company, namedInventoryEntry(), u"7"_s, u"2"_s);
        }) << "InventoryEntry" << QStringList();
        QTest::newRow("SaveInventoryEntryIN") << Write([](StagingStore &store, const QString &company) {
            return store.SaveInventoryEntryIN(company, namedInventoryEntry(), u"7"_s, u"2"_s);
        }) << "InventoryEntryIN" << QStringList();
        QTest::newRow("SaveInventoryEntryOut") << Write([](StagingStore &store, const QString &company) {
            return store.SaveInventoryEntryOut(company, namedInventoryEntry(), u"7"_s, u"2"_s);
        }) << "InventoryEntryOut" << QStringList();
        QTest::newRow("SaveAllInventoryEntry") << Write([](StagingStore &store, const QString &company) {
            return store.SaveAllInventoryEntry(company, namedInventoryEntry(), u"7"_s, u"2"_s);
        }) << "AllInventoryEntry" << QStringList();
        QTest::newRow("SaveAccountingAllocation") << Write([](StagingStore &store, const QString &company) {
            const AccountingAllocationRec allocation{.LedgerName = u"LedgerName"_s,
                                                     .GSTClass = u"GSTClass"_s,
                                                     .IsDeemedPositive = u"IsDeemedPositive"_s,
                                                     .LedgerFromItem = u"LedgerFromItem"_s,
                                                     .RemoveZeroEntries = u"RemoveZeroEntries"_s,
                                                     .IsPartyLedger = u"IsPartyLedger"_s,
                                                     .Amount = u"Amount"_s,
                                                     .TaxClassificationName = u"TaxClassificationName"_s,
                                                     .VATAssessableValue = u"VATAssessableValue"_s,
                                                     .BasicRateOfInvoiceTax = u"BasicRateOfInvoiceTax"_s,
                                                     .TDSPartyName = u"TDSPartyName"_s};
            return store.SaveAccountingAllocation(company, allocation, u"7"_s, u"3"_s, u"2"_s);
        }) << "AccountingAllocation" << QStringList{u"Narration_"_s};
        QTest::newRow("SaveBatchAllocation") << Write([](StagingStore &store, const QString &company) {
            const BatchAllocationRec batch{.MFDOn = u"MFDOn"_s,
                                           .GodownName = u"GodownName"_s,
                                           .BatchName = u"BatchName"_s,
                                           .IndentNo = u"IndentNo"_s,
                                           .OrderNo = u"OrderNo"_s,
                                           .TrackingNo = u"TrackingNo"_s,
                                           .Amount = u"Amount"_s,
                                           .ActualQty = u"ActualQty"_s,
                                           .BilledQty = u"BilledQty"_s,
                                           .DestinationGodownName = u"DestinationGodownName"_s,
                                           .OrderDueDate = u"OrderDueDate"_s,
                                           .ExpiryPeriod = u"ExpiryPeriod"_s};
            return store.SaveBatchAllocation(company, batch, u"7"_s, u"3"_s, u"2"_s);
        }) << "BatchAllocation" << QStringList();
        QTest::newRow("SaveInvoiceDelNotes") << Write([](StagingStore &store, const QString &company) {
            const InvoiceDelNoteRec note{.BasicShippingDate = u"BasicShippingDate"_s,
                                         .BasicShipDeliveryNote = u"BasicShipDeliveryNote"_s};
            return store.SaveInvoiceDelNotes(company, note, u"7"_s, u"2"_s);
        }) << "InvoiceDelNotes" << QStringList();
        QTest::newRow("SaveInvoiceOrderList") << Write([](StagingStore &store, const QString &company) {
            const InvoiceOrderRec order{.BasicOrderDate = u"BasicOrderDate"_s,
                                        .BasicPurchaseOrderNo = u"BasicPurchaseOrderNo"_s};
            return store.SaveInvoiceOrderList(company, order, u"7"_s, u"2"_s);
        }) << "InvoiceOrderList" << QStringList();
        QTest::newRow("SaveBasicOrderTerms") << Write([](StagingStore &store, const QString &company) {
            return store.SaveBasicOrderTerms(company, u"BasicOrderTerms"_s, u"7"_s, u"2"_s);
        }) << "BasicOrderTerms" << QStringList();
        QTest::newRow("SaveBasicBuyerAddress") << Write([](StagingStore &store, const QString &company) {
            return store.SaveBasicBuyerAddress(company, u"BasicBuyerAddress"_s, u"7"_s, u"2"_s);
        }) << "BasicBuyerAddress" << QStringList();
        QTest::newRow("SaveAddress") << Write([](StagingStore &store, const QString &company) {
            return store.SaveAddress(company, u"Address"_s, u"7"_s, u"2"_s);
        }) << "Address" << QStringList();
    }
    void writersStoreEveryField()
    {
        QFETCH(Write, write);
        QFETCH(QString, table);
        QFETCH(QStringList, unwritten);

        StagingStore store;
        QVERIFY(write(store, oddCompany));
        QVERIFY(!store.stagingFailed(oddCompany, u"7"_s));
        const StagingTable &shape = tableNamed(table);
        const StagedRows rows = readRows(store, shape, oddCompany, u"7"_s);
        QCOMPARE(rows.size(), 1);

        QStringList expected;
        QStringList columns = shape.keyColumns();
        for (const QString &key : std::as_const(columns)) {
            expected.append(key + QLatin1Char('='));
            if (key == QLatin1String(companyColumn))
                expected.last() += oddCompany;
            else if (key == QLatin1String(shape.voucherKey))
                expected.last() += u"7"_s;
            else if (key == QLatin1String(shape.ownKey))
                expected.last() += u"2"_s;
            else
                expected.last() += u"3"_s;
        }
        for (const char *column : shape.valueColumns) {
            const QString name = QLatin1String(column);
            columns.append(name);
            expected.append(name + QLatin1Char('=') + (unwritten.contains(name) ? u"<null>"_s : name.chopped(1)));
        }
        QCOMPARE(rowTexts(rows, columns).join(QLatin1Char('|')).split(QLatin1Char('|')), expected);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // Texts come back exactly as written; an empty field is stored as empty text, not Null.
    void keepsTextsExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("three decimals") << u"100.000"_s;
        QTest::newRow("negative zero") << u"-0.000"_s;
        QTest::newRow("leading zeros") << u"007"_s;
        QTest::newRow("one blank") << u" "_s;
        QTest::newRow("empty") << u""_s;
        QTest::newRow("never set") << QString();
        QTest::newRow("quotes and markup") << u"O'Brien \"&\" <Sons>; DROP TABLE Voucher; --"_s;
        QTest::newRow("non-ASCII") << u"Ääkköset ₹ 東京"_s;
    }
    void keepsTextsExactly()
    {
        QFETCH(QString, text);
        StagingStore store;
        QVERIFY(store.SaveLedgerEntry(oddCompany, ledger(text, text), u"1"_s, u"1"_s));
        const StagedRows rows = readRows(store, ledgerEntryTable, oddCompany, u"1"_s);
        QCOMPARE(rowTexts(rows, {u"LedgerName_"_s, u"Amount_"_s, u"Narration_"_s}),
                 QStringList{u"LedgerName_="_s + text + u"|Amount_="_s + text + u"|Narration_="_s});
    }

    // A second write with the same key replaces the row; any other key adds one, and nothing of another voucher or
    // company is touched.
    void replacesTheRowWithTheSameKey()
    {
        StagingStore store;
        QVERIFY(store.SaveLedgerEntry(oddCompany, ledger(u"Cash"_s), u"1"_s, u"1"_s));
        QVERIFY(store.SaveLedgerEntry(oddCompany, ledger(u"Bank"_s), u"1"_s, u"2"_s));
        QVERIFY(store.SaveLedgerEntry(oddCompany, ledger(u"Other voucher"_s), u"2"_s, u"1"_s));
        QVERIFY(store.SaveLedgerEntry(otherCompany, ledger(u"Other company"_s), u"1"_s, u"1"_s));
        QVERIFY(store.SaveLedgerEntry(oddCompany, ledger(u"Sales"_s), u"1"_s, u"1"_s));
        QCOMPARE(rowTexts(readRows(store, ledgerEntryTable, oddCompany, u"1"_s), {u"LdEID"_s, u"LedgerName_"_s}),
                 (QStringList{u"LdEID=1|LedgerName_=Sales"_s, u"LdEID=2|LedgerName_=Bank"_s}));
        QCOMPARE(rowTexts(readRows(store, ledgerEntryTable, oddCompany, u"2"_s), {u"LedgerName_"_s}),
                 QStringList{u"LedgerName_=Other voucher"_s});
        QCOMPARE(rowTexts(readRows(store, ledgerEntryTable, otherCompany, u"1"_s), {u"LedgerName_"_s}),
                 QStringList{u"LedgerName_=Other company"_s});

        // Allocation rows that differ in their entry only are two rows.
        BillAllocationRec bill;
        bill.Name = u"first"_s;
        QVERIFY(store.SaveBillAllocation(oddCompany, bill, u"1"_s, u"1"_s, u"1"_s));
        bill.Name = u"second"_s;
        QVERIFY(store.SaveBillAllocation(oddCompany, bill, u"1"_s, u"2"_s, u"1"_s));
        bill.Name = u"third"_s;
        QVERIFY(store.SaveBillAllocation(oddCompany, bill, u"1"_s, u"2"_s, u"1"_s));
        QCOMPARE(rowTexts(readRows(store, billAllocationTable, oddCompany, u"1"_s), {u"FK_LdEID"_s, u"Name_"_s}),
                 (QStringList{u"FK_LdEID=1|Name_=first"_s, u"FK_LdEID=2|Name_=third"_s}));
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // Each company's voucher ids come from the counter the file keeps: from 1, one above the last, numerically
    // (10 follows 9), through a clean-up and from store to store, so that no two vouchers of one file share an id.
    void takesVoucherIdsFromTheFilesCounter()
    {
        {
            StagingStore store;
            for (int id = 1; id <= 10; ++id) {
                QCOMPARE(store.TakeVchID(oddCompany), QString::number(id));
                QVERIFY(store.SaveVoucher(oddCompany, VoucherRec(), QString::number(id)));
            }
            QCOMPARE(store.TakeVchID(otherCompany), u"1"_s);
            QVERIFY(store.ClearCompanyStaging(oddCompany));
            QCOMPARE(store.TakeVchID(oddCompany), u"11"_s);
        }
        StagingStore store;
        QCOMPARE(store.TakeVchID(oddCompany), u"12"_s);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // A counter that cannot be read as a number, or cannot go one higher, is reported once, names the file, and
    // takes nothing into it: the voucher fails under the empty id and the next is taken as before.
    void counterThatCannotBeAdvanced_data()
    {
        QTest::addColumn<QString>("counter");
        QTest::newRow("no number") << u"x"_s;
        QTest::newRow("at its end") << u"9223372036854775807"_s;
    }
    void counterThatCannotBeAdvanced()
    {
        QFETCH(QString, counter);
        const QString path = m_env->programFile(QLatin1String(stagingFileName));
        {
            StagingStore store;
            QCOMPARE(store.TakeVchID(u"Cheap"_s), u"1"_s);
        }
        runOnStagingFile(path, {u"UPDATE VoucherCounter SET LastVchID = '"_s + counter + u"'"_s});
        StagingStore store;
        QCOMPARE(store.TakeVchID(u"Cheap"_s), QString());
        QVERIFY(store.stagingFailed(u"Cheap"_s, QString()));
        QVERIFY(!store.SaveVoucher(u"Cheap"_s, VoucherRec(), QString()));
        QCOMPARE(reportedErrors(*m_prompter), QStringList{reportedError(locationTakeVchID, errDatabase)});
        QVERIFY(m_prompter->boxes().first().prompt.contains(path));
        QVERIFY(m_prompter->boxes().first().prompt.contains(u"cannot be advanced"_s));
        QCOMPARE(store.TakeVchID(otherCompany), u"1"_s);
    }

    // The clean-up empties all seventeen tables of the company and leaves the other companies' rows.
    void clearsOneCompanyInEveryTable()
    {
        StagingStore store;
        for (const QString &company : {oddCompany, otherCompany}) {
            QVERIFY(store.SaveVoucher(company, VoucherRec(), u"4"_s));
            QVERIFY(store.SaveLedgerEntry(company, ledger(u"Cash"_s), u"4"_s, u"1"_s));
            QVERIFY(store.SaveAllLedgerEntry(company, ledger(u"Cash"_s), u"4"_s, u"2"_s));
            QVERIFY(store.SaveBillAllocation(company, BillAllocationRec(), u"4"_s, u"1"_s, u"1"_s));
            QVERIFY(store.SaveTaxBillAllocation(company, TaxBillAllocationRec(), u"4"_s, u"1"_s, u"1"_s));
            QVERIFY(store.SaveCategoryAllocations(company, CategoryAllocationRec(), u"4"_s, u"1"_s, u"1"_s));
            QVERIFY(store.SaveInventoryEntry(company, InventoryEntryRec(), u"4"_s, u"1"_s));
            QVERIFY(store.SaveInventoryEntryIN(company, InventoryEntryRec(), u"4"_s, u"2"_s));
            QVERIFY(store.SaveInventoryEntryOut(company, InventoryEntryRec(), u"4"_s, u"3"_s));
            QVERIFY(store.SaveAllInventoryEntry(company, InventoryEntryRec(), u"4"_s, u"4"_s));
            QVERIFY(store.SaveAccountingAllocation(company, AccountingAllocationRec(), u"4"_s, u"1"_s, u"1"_s));
            QVERIFY(store.SaveBatchAllocation(company, BatchAllocationRec(), u"4"_s, u"1"_s, u"1"_s));
            QVERIFY(store.SaveInvoiceDelNotes(company, InvoiceDelNoteRec(), u"4"_s, u"1"_s));
            QVERIFY(store.SaveInvoiceOrderList(company, InvoiceOrderRec(), u"4"_s, u"1"_s));
            QVERIFY(store.SaveBasicOrderTerms(company, u"terms"_s, u"4"_s, u"1"_s));
            QVERIFY(store.SaveBasicBuyerAddress(company, u"line"_s, u"4"_s, u"1"_s));
            QVERIFY(store.SaveAddress(company, u"line"_s, u"4"_s, u"1"_s));
        }
        QVERIFY(store.ClearCompanyStaging(oddCompany));
        QVERIFY(store.ClearCompanyStaging(u"A company with nothing staged"_s));

        const std::vector<StagedRows> cleared = store.readVoucher(stagingTables(), oddCompany, u"4"_s);
        const std::vector<StagedRows> kept = store.readVoucher(stagingTables(), otherCompany, u"4"_s);
        for (std::size_t i = 0; i < stagingTables().size(); ++i) {
            const QString table = QLatin1String(stagingTables()[i]->name);
            QVERIFY2(cleared[i].size() == 0, qPrintable(table));
            QVERIFY2(kept[i].size() == 1, qPrintable(table));
        }
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // A voucher reads back as the file holds it: rows in the numeric order of their ids whatever their text, a row
    // written twice replaced, allocations under their entries, empty and unset columns.
    void voucherReadsBackInTheOrderOfItsIds()
    {
        StagingStore store;
        QVERIFY(store.ClearCompanyStaging(oddCompany));
        const QString vchId = u"7"_s;
        VoucherRec voucher;
        voucher.Narration = u"Tea \u00e4 \U0001F375"_s;
        voucher.Date = u""_s;
        QVERIFY(store.SaveVoucher(oddCompany, voucher, vchId));
        const QStringList ids{u"10"_s,   u"2"_s,      u" 3"_s,         u"1e1"_s, u"abc"_s, u"-1"_s,
                              u"2.5x"_s, u"\uFFFD"_s, u"\U0001F600"_s, u"02"_s,  u""_s};
        for (const QString &id : ids)
            QVERIFY(store.SaveLedgerEntry(oddCompany, ledger(u"Ledger "_s + id, id), vchId, id));
        QVERIFY(store.SaveLedgerEntry(oddCompany, ledger(u"Written again"_s), vchId, u"2"_s));
        BillAllocationRec bill;
        for (const QString &entry : {u"10"_s, u"2"_s}) {
            for (const QString &id : {u"1"_s, u"11"_s, u"9"_s}) {
                bill.Name = entry + u"/"_s + id;
                QVERIFY(store.SaveBillAllocation(oddCompany, bill, vchId, entry, id));
            }
        }
        QVERIFY(store.SaveAddress(oddCompany, u"first line"_s, vchId, u"1"_s));
        QVERIFY(store.SaveAddress(oddCompany, QString(), vchId, u"2"_s));

        const std::vector<StagedRows> kept = store.readVoucher(stagingTables(), oddCompany, vchId);
        QCOMPARE(rowTexts(kept[0], {u"Narration_"_s, u"Date_"_s, u"GUID_"_s, u"BasicDateTimeOfInvoice_"_s}),
                 QStringList{u"Narration_=Tea \u00e4 \U0001F375|Date_=|GUID_=|BasicDateTimeOfInvoice_=<null>"_s});
        QCOMPARE(rowTexts(kept[10], {u"Address_"_s}), (QStringList{u"Address_=first line"_s, u"Address_="_s}));
        QCOMPARE(rowTexts(kept[2], {u"FK_LdEID"_s, u"BiAID"_s}),
                 (QStringList{u"FK_LdEID=10|BiAID=1"_s, u"FK_LdEID=2|BiAID=1"_s, u"FK_LdEID=10|BiAID=9"_s,
                              u"FK_LdEID=2|BiAID=9"_s, u"FK_LdEID=10|BiAID=11"_s, u"FK_LdEID=2|BiAID=11"_s}));
        QCOMPARE(
            rowTexts(kept[1], {u"LdEID"_s}),
            (QStringList{u"LdEID=-1"_s, u"LdEID="_s, u"LdEID=abc"_s, u"LdEID=\uFFFD"_s, u"LdEID=\U0001F600"_s,
                         u"LdEID=02"_s, u"LdEID=2"_s, u"LdEID=2.5x"_s, u"LdEID= 3"_s, u"LdEID=10"_s, u"LdEID=1e1"_s}));
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // The builder asks for the same names voucher after voucher, and a position found once is remembered by
    // where the name is stored: one buffer holding one name after another must still find each.
    void findsColumnsByTheirText()
    {
        StagingStore store;
        QVERIFY(store.ClearCompanyStaging(oddCompany));
        QVERIFY(store.SaveLedgerEntry(oddCompany, ledger(u"Cash"_s, u"5"_s), u"1"_s, u"1"_s));
        const StagedRows rows = readRows(store, ledgerEntryTable, oddCompany, u"1"_s);
        char name[32] = {};
        const auto textOf = [&](const char *column) {
            std::strcpy(name, column);
            return rows.text(0, rows.column(name));
        };
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(textOf("LedgerName_"), u"Cash"_s);
            QCOMPARE(textOf("Amount_"), u"5"_s);
            QCOMPARE(textOf("amount_"), u"5"_s);
            QCOMPARE(textOf("LEDGERNAME_"), u"Cash"_s);
        }
        std::strcpy(name, "NoSuchColumn_");
        QVERIFY_THROWS_EXCEPTION(errors::RuntimeError, rows.column(name));
    }

    // A clean-up the file refuses part of the way through takes nothing away: the company's vouchers are not left
    // half cleared, to be joined by the next run's vouchers of the same ids.
    void cleanUpIsAllOrNothing()
    {
        {
            StagingStore store;
            QVERIFY(store.SaveVoucher(oddCompany, VoucherRec(), u"5"_s));
            QVERIFY(store.SaveAllInventoryEntry(oddCompany, InventoryEntryRec(), u"5"_s, u"1"_s));
        }
        // The last table the clean-up empties refuses to lose rows.
        runOnStagingFile(
            m_env->programFile(QLatin1String(stagingFileName)),
            {u"CREATE TRIGGER Kept BEFORE DELETE ON AllInventoryEntry BEGIN SELECT RAISE(ABORT, 'kept'); END"_s});

        StagingStore store;
        QVERIFY(!store.ClearCompanyStaging(oddCompany));
        QCOMPARE(reportedErrors(*m_prompter), QStringList{reportedError(locationExecStagingSql, errDatabase)});
        QCOMPARE(readRows(store, voucherTable, oddCompany, u"5"_s).size(), 1);
        QCOMPARE(readRows(store, allInventoryEntryTable, oddCompany, u"5"_s).size(), 1);
    }

    // A file that is not a database, or a damaged one, is reported by each routine that needs it, once per call,
    // and left as it is.
    void reportsAFileThatIsNotADatabase()
    {
        const QString path = m_env->programFile(QLatin1String(stagingFileName));
        const QByteArray text = "Quarterly figures, not a database.\n";
        writeFile(path, text);

        StagingStore store;
        QVERIFY(!store.SaveVoucher(oddCompany, VoucherRec(), u"1"_s));
        QVERIFY(store.stagingFailed(oddCompany, u"1"_s));
        QVERIFY(!store.stagingFailed(oddCompany, u"2"_s));
        QCOMPARE(store.TakeVchID(oddCompany), QString());
        QVERIFY(!store.ClearCompanyStaging(oddCompany));
        QCOMPARE(reportedErrors(*m_prompter), (QStringList{reportedError(locationSaveVoucher, errDatabase),
                                                           reportedError(locationTakeVchID, errDatabase),
                                                           reportedError(locationExecStagingSql, errDatabase)}));
        // Each names the file and says what to do about it.
        for (const auto &box : m_prompter->boxes()) {
            QVERIFY(box.prompt.contains(u"file is not a database"_s));
            QVERIFY(box.prompt.contains(path));
            QVERIFY(box.prompt.contains(u"may be deleted"_s));
        }
        // A failed clean-up forgets nothing: the voucher still counts as failed.
        QVERIFY(store.stagingFailed(oddCompany, u"1"_s));
        QCOMPARE(readFile(path), text);
    }

    // A file marked read-only takes no writes: the first refused write of a voucher is reported, naming the file,
    // and the voucher's later writes are not tried.
    void reportsWritesToAReadOnlyFile()
    {
        const QString path = m_env->programFile(QLatin1String(stagingFileName));
        {
            StagingStore store;
            QVERIFY(store.SaveVoucher(oddCompany, VoucherRec(), u"3"_s));
        }
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        const QByteArray before = readFile(path);

        StagingStore store;
        QVERIFY(!store.SaveLedgerEntry(oddCompany, ledger(u"Cash"_s), u"4"_s, u"1"_s));
        QVERIFY(!store.SaveAddress(oddCompany, u"line"_s, u"4"_s, u"1"_s));
        QVERIFY(store.stagingFailed(oddCompany, u"4"_s));
        QVERIFY(!store.stagingFailed(oddCompany, u"3"_s));
        QVERIFY(!store.SaveAddress(oddCompany, u"line"_s, u"5"_s, u"1"_s));
        QCOMPARE(reportedErrors(*m_prompter), (QStringList{reportedError(locationSaveLedgerEntry, errDatabase),
                                                           reportedError(locationSaveAddress, errDatabase)}));
        QVERIFY(m_prompter->boxes().first().prompt.contains(u"readonly"_s));
        QVERIFY(m_prompter->boxes().first().prompt.contains(path));
        QCOMPARE(readFile(path), before);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    // A file deleted while the store has it open fails the next call that would use it, reported once: writes
    // would be lost with the file and reads would answer from rows that are gone. The call after makes it anew.
    void reportsAFileDeletedUnderTheStore_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<bool>("voucherFailed");
        QTest::addColumn<Write>("call");
        QTest::newRow("write") << QString::fromLatin1(locationSaveLedgerEntry) << true
                               << Write([](StagingStore &store, const QString &company) {
                                      return store.SaveLedgerEntry(company, ledger(u"Cash"_s), u"9"_s, u"1"_s);
                                  });
        QTest::newRow("next id") << QString::fromLatin1(locationTakeVchID) << false
                                 << Write([](StagingStore &store, const QString &company) {
                                        return !store.TakeVchID(company).isEmpty();
                                    });
        QTest::newRow("clean-up") << QString::fromLatin1(locationExecStagingSql) << false
                                  << Write([](StagingStore &store, const QString &company) {
                                         return store.ClearCompanyStaging(company);
                                     });
    }
    void reportsAFileDeletedUnderTheStore()
    {
        QFETCH(Write, call);
        QFETCH(QString, location);
        QFETCH(bool, voucherFailed);
        StagingStore store;
        QVERIFY(store.SaveVoucher(oddCompany, VoucherRec(), u"9"_s));
        QVERIFY(store.ClearCompanyStaging(otherCompany)); // commits what is staged
        QVERIFY(QFile::remove(m_env->programFile(QLatin1String(stagingFileName))));

        QVERIFY(!call(store, oddCompany));
        QCOMPARE(reportedErrors(*m_prompter), QStringList{reportedError(location, errDatabase)});
        QVERIFY(m_prompter->boxes().first().prompt.contains(u"deleted or moved"_s));
        QCOMPARE(store.stagingFailed(oddCompany, u"9"_s), voucherFailed);

        QVERIFY(store.SaveVoucher(oddCompany, VoucherRec(), u"2"_s));
        QCOMPARE(readRows(store, voucherTable, oddCompany, u"9"_s).size(), 0); // it went with the old file
        QCOMPARE(readRows(store, voucherTable, oddCompany, u"2"_s).size(), 1);
        QVERIFY(QFile::exists(m_env->programFile(QLatin1String(stagingFileName))));
        QCOMPARE(m_prompter->boxes().size(), 1);
    }

    // Without its folder the file cannot be made: the first routine that needs it says so.
    void reportsAMissingProgramFolder()
    {
        QVERIFY(QDir(m_env->programFolder()).removeRecursively());
        StagingStore store;
        QCOMPARE(store.TakeVchID(oddCompany), QString());
        QCOMPARE(reportedErrors(*m_prompter), QStringList{reportedError(locationTakeVchID, errDatabase)});
        QVERIFY(m_prompter->boxes().first().prompt.contains(m_env->programFile(QLatin1String(stagingFileName))));
    }

    // A table whose layout is not the one this program makes (an earlier build's, without the key, or another
    // program's view) is made anew, and what it held goes: the file is scratch. Tables that are the program's keep
    // their rows, and what acts on them (a trigger) is left as it is.
    void remakesTablesOfAnotherLayout()
    {
        const QString path = m_env->programFile(QLatin1String(stagingFileName));
        {
            StagingStore store;
            QVERIFY(store.SaveAddress(oddCompany, u"kept"_s, u"1"_s, u"1"_s));
        }
        runOnStagingFile(path,
                         {u"DROP TABLE LedgerEntry"_s,
                          u"CREATE TABLE LedgerEntry (CompanyName TEXT, FK_VchID TEXT, LdEID TEXT, LedgerName_ TEXT)"_s,
                          u"INSERT INTO LedgerEntry VALUES ('A', '1', '1', 'Earlier')"_s,
                          u"INSERT INTO LedgerEntry VALUES ('A', '1', '1', 'Earlier twice')"_s, u"DROP TABLE Voucher"_s,
                          u"CREATE VIEW Voucher AS SELECT 1 AS VchID"_s,
                          u"CREATE TRIGGER Counted AFTER INSERT ON Address BEGIN SELECT 1; END"_s});

        StagingStore store;
        QVERIFY(store.ClearCompanyStaging(otherCompany));
        QVERIFY(store.SaveLedgerEntry(oddCompany, namedLedgerEntry(), u"1"_s, u"1"_s));
        QVERIFY(store.SaveLedgerEntry(oddCompany, ledger(u"Later"_s), u"1"_s, u"1"_s));
        QVERIFY(store.SaveVoucher(oddCompany, VoucherRec(), u"1"_s));
        QCOMPARE(rowTexts(readRows(store, ledgerEntryTable, oddCompany, u"1"_s), {u"LedgerName_"_s, u"GSTClass_"_s}),
                 QStringList{u"LedgerName_=Later|GSTClass_="_s});
        QCOMPARE(readRows(store, voucherTable, oddCompany, u"1"_s).size(), 1);
        QCOMPARE(rowsOnStagingFile(path, u"LedgerEntry"_s), 1);
        QCOMPARE(rowsOnStagingFile(path, u"Address"_s), 1);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // A voucher waits while another program holds the file, the window's events running meanwhile (here, the
    // event that lets the file go), and is staged once the file is free.
    void waitsForAnotherWriter()
    {
        const QString path = m_env->programFile(QLatin1String(stagingFileName));
        {
            StagingStore store;
            QVERIFY(store.ClearCompanyStaging(oddCompany));
        }
        OtherWriter other(path);
        bool released = false;
        QTimer::singleShot(100, [&] {
            other.commit();
            released = true;
        });
        StagingStore store;
        QCOMPARE(store.TakeVchID(oddCompany), u"1"_s);
        QVERIFY(released);
        QVERIFY(store.SaveVoucher(oddCompany, VoucherRec(), u"1"_s));
        QCOMPARE(readRows(store, voucherTable, oddCompany, u"1"_s).size(), 1);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // A file held past the busy time-out fails the voucher, reported once with the file's name; the file is
    // tried again for the next.
    void failsWhenTheFileIsHeldPastTheTimeOut()
    {
        const QString path = m_env->programFile(QLatin1String(stagingFileName));
        StagingStore store;
        QVERIFY(store.ClearCompanyStaging(oddCompany));
        QVERIFY(store.TakeVchID(oddCompany) == u"1"_s);
        QCOMPARE(readRows(store, voucherTable, oddCompany, u"1"_s).size(), 0);
        setBusyTimeoutMs(150);
        {
            OtherWriter other(path);
            QCOMPARE(store.TakeVchID(oddCompany), QString());
            QVERIFY(!store.SaveVoucher(oddCompany, VoucherRec(), QString()));
            QVERIFY(store.stagingFailed(oddCompany, QString()));
            other.commit();
        }
        setBusyTimeoutMs(defaultBusyTimeoutMs);
        QCOMPARE(reportedErrors(*m_prompter), QStringList{reportedError(locationTakeVchID, errDatabase)});
        QVERIFY(m_prompter->boxes().first().prompt.contains(u"database is locked"_s));
        QVERIFY(m_prompter->boxes().first().prompt.contains(path));
        QCOMPARE(store.TakeVchID(oddCompany), u"2"_s);
    }

private:
    // Another program's connection to the file, holding its write lock from its making to commit().
    class OtherWriter
    {
    public:
        explicit OtherWriter(const QString &path)
        {
            m_database = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other writer"_s);
            m_database.setDatabaseName(path);
            QVERIFY(m_database.open());
            QSqlQuery query(m_database);
            QVERIFY(query.exec(u"BEGIN IMMEDIATE"_s));
            QVERIFY(query.exec(u"INSERT INTO Address (CompanyName, FK_VchID, AdID) VALUES ('Other', '1', '1')"_s));
        }
        ~OtherWriter()
        {
            m_database.close();
            m_database = QSqlDatabase();
            QSqlDatabase::removeDatabase(u"other writer"_s);
        }
        void commit()
        {
            QSqlQuery query(m_database);
            QVERIFY(query.exec(u"COMMIT"_s));
        }

    private:
        QSqlDatabase m_database;
    };

    static LedgerEntryRec namedLedgerEntry()
    {
        return LedgerEntryRec{.LedgerName = u"LedgerName"_s,
                              .GSTClass = u"GSTClass"_s,
                              .IsDeemedPositive = u"IsDeemedPositive"_s,
                              .LedgerFromItem = u"LedgerFromItem"_s,
                              .RemoveZeroEntries = u"RemoveZeroEntries"_s,
                              .IsPartyLedger = u"IsPartyLedger"_s,
                              .Amount = u"Amount"_s,
                              .TaxClassificationName = u"TaxClassificationName"_s,
                              .VATAssessableValue = u"VATAssessableValue"_s,
                              .BasicRateOfInvoiceTax = u"BasicRateOfInvoiceTax"_s,
                              .TDSPartyName = u"TDSPartyName"_s,
                              .Narration = u"Narration"_s};
    }
    static InventoryEntryRec namedInventoryEntry()
    {
        return InventoryEntryRec{.StockItemName = u"StockItemName"_s,
                                 .IsDeemedPositive = u"IsDeemedPositive"_s,
                                 .IsAutoNigate = u"IsAutoNigate"_s,
                                 .Rate = u"Rate"_s,
                                 .Amount = u"Amount"_s,
                                 .ActualQty = u"ActualQty"_s,
                                 .BilledQty = u"BilledQty"_s};
    }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

QTEST_GUILESS_MAIN(TestStagingStore)
#include "teststagingstore.moc"
